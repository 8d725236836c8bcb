#include "viewer/plot_canvas.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

#include "shell/ui_style.h"

namespace tessaray {

PlotCanvas::PlotCanvas(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFont(designFont(kTimes, 18));
}

QPointF PlotCanvas::toPixel(double x, double y) const {
    syncImage();
    return QPointF((x - kLeft) * image_.width() / (kRight - kLeft),
                   (kTop - y) * image_.height() / (kTop - kBottom));
}

QPointF PlotCanvas::toPlot(QPointF pixel) const {
    syncImage();
    const double w = std::max(1, image_.width());
    const double h = std::max(1, image_.height());
    return QPointF(kLeft + pixel.x() * (kRight - kLeft) / w, kTop - pixel.y() * (kTop - kBottom) / h);
}

QPointF PlotCanvas::toWidget(double x, double y) const {
    return toPixel(x, y) + QPointF(contentsRect().topLeft());
}

// Values far outside the box (a curve scaled by a tiny maximum) are held at a
// distance that the painter handles; what shows inside the box is unchanged.
QPointF PlotCanvas::clampedPixel(double x, double y) const {
    const QPointF p = toPixel(x, y);
    const double limit = 100000.0;
    return QPointF(std::clamp(p.x(), -limit, limit), std::clamp(p.y(), -limit, limit));
}

QPen PlotCanvas::pen(const QColor& colour) const {
    QPen p(colour);
    p.setWidth(drawWidth_);
    p.setCapStyle(Qt::SquareCap);
    p.setJoinStyle(Qt::MiterJoin);
    return p;
}

void PlotCanvas::clear() {
    syncImage();
    image_.fill(Qt::white);
    currentX_ = 0.0;
    currentY_ = 0.0;
    update();
}

void PlotCanvas::plotPoint(double x, double y, const QColor& colour) {
    syncImage();
    QPainter painter(&image_);
    const QPointF p = clampedPixel(x, y);
    const int size = std::max(1, drawWidth_);
    const QPoint corner(static_cast<int>(std::floor(p.x())) - (size - 1) / 2,
                        static_cast<int>(std::floor(p.y())) - (size - 1) / 2);
    painter.fillRect(QRect(corner, QSize(size, size)), colour);
    currentX_ = x;
    currentY_ = y;
    update();
}

void PlotCanvas::lineTo(double x, double y, const QColor& colour) {
    line(currentX_, currentY_, x, y, colour);
}

void PlotCanvas::line(double x1, double y1, double x2, double y2, const QColor& colour) {
    syncImage();
    QPainter painter(&image_);
    painter.setPen(pen(colour));
    painter.drawLine(clampedPixel(x1, y1), clampedPixel(x2, y2));
    currentX_ = x2;
    currentY_ = y2;
    update();
}

void PlotCanvas::box(double x1, double y1, double x2, double y2, const QColor& colour) {
    syncImage();
    QPainter painter(&image_);
    painter.setPen(pen(colour));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(clampedPixel(x1, y1), clampedPixel(x2, y2)).normalized());
    currentX_ = x2;
    currentY_ = y2;
    update();
}

void PlotCanvas::filledBox(double x1, double y1, double x2, double y2, const QColor& colour) {
    syncImage();
    QPainter painter(&image_);
    const QRectF area = QRectF(clampedPixel(x1, y1), clampedPixel(x2, y2)).normalized();
    painter.fillRect(area.toAlignedRect(), colour);
    currentX_ = x2;
    currentY_ = y2;
    update();
}

void PlotCanvas::printText(double x, double y, const QString& text, const QColor& colour) {
    syncImage();
    QPainter painter(&image_);
    painter.setFont(font());
    painter.setPen(colour);
    const QPointF corner = clampedPixel(x, y);
    painter.drawText(corner + QPointF(0, painter.fontMetrics().ascent()), text);
    currentX_ = x + painter.fontMetrics().horizontalAdvance(text) * (kRight - kLeft) / std::max(1, image_.width());
    currentY_ = y;
    update();
}

void PlotCanvas::paintEvent(QPaintEvent* event) {
    syncImage();
    {
        QPainter painter(this);
        painter.drawImage(contentsRect().topLeft(), image_);
    }
    QFrame::paintEvent(event);
}

void PlotCanvas::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    syncImage();
}

void PlotCanvas::syncImage() const {
    const QSize inside = contentsRect().size();
    if (inside == image_.size()) return;
    QImage resized(inside, QImage::Format_RGB32);
    resized.fill(Qt::white);
    if (!image_.isNull()) {
        QPainter painter(&resized);
        painter.drawImage(0, 0, image_);
    }
    image_ = resized;
}

void PlotCanvas::mouseMoveEvent(QMouseEvent* event) {
    const QPointF plot = toPlot(event->position() - QPointF(contentsRect().topLeft()));
    emit pointerMoved(static_cast<float>(plot.x()), static_cast<float>(plot.y()));
    QFrame::mouseMoveEvent(event);
}

void PlotCanvas::leaveEvent(QEvent* event) {
    emit pointerLeft();
    QFrame::leaveEvent(event);
}

CursorLine::CursorLine(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kRed);
    setPalette(palette);
    hide();
}

}  // namespace tessaray
