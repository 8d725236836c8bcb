#include "shell/artwork.h"

#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

#include "shell/ui_style.h"

// The resources live in a static library: register them explicitly, from the
// global namespace, before the first picture is drawn.
static void registerArtworkResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(artwork);
        return true;
    }();
    (void)registered;
}

namespace tessaray {

QPixmap artworkPixmap(const QString& name, int size) {
    registerArtworkResources();
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/shell/%1.svg").arg(name));
    if (!renderer.isValid()) return pixmap;
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    return pixmap;
}

QIcon artworkIcon(const QString& name) {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64}) icon.addPixmap(artworkPixmap(name, size));
    return icon;
}

PhantomDrawing::PhantomDrawing(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    setBackground(this, Qt::white);
}

namespace {

void arrowHead(QPainter& p, QPointF tip, QPointF from, double length = 9.0, double halfWidth = 3.5) {
    const QPointF d = tip - from;
    const double n = std::hypot(d.x(), d.y());
    if (n == 0) return;
    const QPointF u = d / n;
    const QPointF v(-u.y(), u.x());
    QPolygonF head;
    head << tip << tip - u * length + v * halfWidth << tip - u * length - v * halfWidth;
    p.save();
    p.setBrush(p.pen().color());
    p.drawPolygon(head);
    p.restore();
}

// A dimension line with arrows at both ends.
void dimension(QPainter& p, QPointF a, QPointF b) {
    p.drawLine(a, b);
    arrowHead(p, a, b, 7, 2.8);
    arrowHead(p, b, a, 7, 2.8);
}

}  // namespace

void PhantomDrawing::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = width();
    const double h = height();
    p.fillRect(rect(), Qt::white);

    // Scale: the drawing was laid out on a 360 x 352 canvas.
    p.scale(w / 360.0, h / 352.0);

    const double cx = 175;       // beam axis
    const double sourceY = 34;   // focal spot
    const double topY = 132;     // entrance face (centre of the ellipse)
    const double bottomY = 262;  // exit face
    const double rx = 118;       // 60 cm diameter
    const double ry = 24;        // perspective of the faces

    // Cylinder body.
    QPainterPath body;
    body.moveTo(cx - rx, topY);
    body.lineTo(cx - rx, bottomY);
    body.arcTo(QRectF(cx - rx, bottomY - ry, 2 * rx, 2 * ry), 180, 180);
    body.lineTo(cx + rx, topY);
    body.arcTo(QRectF(cx - rx, topY - ry, 2 * rx, 2 * ry), 0, -180);
    QLinearGradient water(cx - rx, 0, cx + rx, 0);
    water.setColorAt(0.0, QColor(150, 200, 240));
    water.setColorAt(0.45, QColor(214, 236, 252));
    water.setColorAt(1.0, QColor(140, 190, 235));
    p.setPen(QPen(QColor(40, 80, 140), 1.4));
    p.setBrush(water);
    p.drawPath(body);
    // Hidden back half of the exit face, dashed.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(40, 80, 140), 1.0, Qt::DashLine));
    p.drawArc(QRectF(cx - rx, bottomY - ry, 2 * rx, 2 * ry), 0, 180 * 16);
    // Entrance face.
    p.setPen(QPen(QColor(40, 80, 140), 1.4));
    p.setBrush(QColor(190, 222, 248));
    p.drawEllipse(QRectF(cx - rx, topY - ry, 2 * rx, 2 * ry));

    // Beam: a cone from the focal spot to the field on the entrance face.
    const double field = 70;
    QPolygonF cone;
    cone << QPointF(cx, sourceY) << QPointF(cx - field, topY) << QPointF(cx + field, topY);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 220, 90, 120));
    p.drawPolygon(cone);
    p.setBrush(QColor(255, 220, 90, 90));
    p.drawEllipse(QRectF(cx - field, topY - ry * field / rx, 2 * field, 2 * ry * field / rx));

    // X-ray tube above the focal spot.
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    p.setBrush(QColor(225, 225, 225));
    p.drawRoundedRect(QRectF(cx - 46, sourceY - 26, 92, 20), 10, 10);
    p.setBrush(QColor(230, 150, 40));
    QPolygonF anode;
    anode << QPointF(cx - 6, sourceY - 6) << QPointF(cx + 10, sourceY - 6) << QPointF(cx + 10, sourceY - 22);
    p.drawPolygon(anode);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 30, 30));
    p.drawEllipse(QPointF(cx, sourceY), 2.5, 2.5);

    // Detector spheres on the axis at 0, 2, 5, 10, 15 and 20 cm.
    const double cmToPx = (bottomY - topY) / 30.0;
    p.setPen(QPen(QColor(120, 20, 20), 1.0));
    p.setBrush(QColor(235, 60, 60));
    for (double depth : {0.0, 2.0, 5.0, 10.0, 15.0, 20.0})
        p.drawEllipse(QPointF(cx, topY + depth * cmToPx), 3.2, 3.2);

    // Primary ray along the axis.
    const QColor primary(0, 0, 220);
    p.setPen(QPen(primary, 2.0));
    const QPointF primaryEnd(cx, topY + 23 * cmToPx);
    p.drawLine(QPointF(cx, sourceY + 4), primaryEnd);
    arrowHead(p, primaryEnd, QPointF(cx, sourceY));

    // Scattered ray: enters off the axis, scatters, crosses a sphere.
    const QColor scatter(210, 0, 0);
    const QPointF entry(cx - 48, topY);
    const QPointF event(cx - 40, topY + 6 * cmToPx);
    const QPointF hit(cx, topY + 10 * cmToPx);
    const QPointF beyond = hit + (hit - event) * 0.9;
    p.setPen(QPen(scatter, 1.8));
    p.drawLine(QPointF(cx, sourceY + 4), entry);
    p.drawLine(entry, event);
    p.setPen(QPen(scatter, 1.8, Qt::DashLine));
    p.drawLine(event, beyond);
    p.setPen(QPen(scatter, 1.8));
    arrowHead(p, beyond, event);
    p.setBrush(scatter);
    p.setPen(Qt::NoPen);
    p.drawEllipse(event, 2.6, 2.6);

    // Labels.
    QFont labelFont = designFont(kTimes, 11.25);
    labelFont.setBold(true);
    p.setFont(labelFont);
    p.setPen(primary);
    p.drawText(QRectF(cx + 8, topY + 14 * cmToPx, 90, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Primary"));
    p.setPen(scatter);
    p.drawText(QRectF(cx - 112, topY + 8 * cmToPx, 64, 20), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Scatter"));

    // Dimensions: 60 cm across the exit face, 30 cm along the side.
    p.setFont(designFont(kTimes, 11.25));
    p.setPen(QPen(Qt::black, 1.0));
    const double dimY = bottomY + ry + 16;
    p.drawLine(QPointF(cx - rx, bottomY + 4), QPointF(cx - rx, dimY + 5));
    p.drawLine(QPointF(cx + rx, bottomY + 4), QPointF(cx + rx, dimY + 5));
    dimension(p, QPointF(cx - rx, dimY), QPointF(cx + rx, dimY));
    p.fillRect(QRectF(cx - 26, dimY - 9, 52, 18), Qt::white);
    p.drawText(QRectF(cx - 30, dimY - 10, 60, 20), Qt::AlignCenter, QStringLiteral("60 cm"));
    const double dimX = cx + rx + 14;
    p.drawLine(QPointF(cx + rx + 3, topY), QPointF(dimX + 5, topY));
    p.drawLine(QPointF(cx + rx + 3, bottomY), QPointF(dimX + 5, bottomY));
    dimension(p, QPointF(dimX, topY), QPointF(dimX, bottomY));
    p.save();
    p.translate(dimX + 12, (topY + bottomY) / 2);
    p.rotate(-90);
    p.drawText(QRectF(-30, -10, 60, 20), Qt::AlignCenter, QStringLiteral("30 cm"));
    p.restore();

    // Border.
    p.resetTransform();
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
}

}  // namespace tessaray
