#pragma once
// Picture1 of the result viewer: a drawing box with its own user coordinate
// system (x from -700 at the left edge to 6100 at the right edge, y from 1020
// at the top edge down to -130 at the bottom edge) and persistent drawing: the
// drawing lives in a backing image that survives every repaint and is cleared
// only by clear().

#include <QColor>
#include <QFrame>
#include <QImage>
#include <QPointF>

namespace tessaray {

class PlotCanvas : public QFrame {
    Q_OBJECT
public:
    static constexpr double kLeft = -700.0;
    static constexpr double kRight = 6100.0;
    static constexpr double kTop = 1020.0;
    static constexpr double kBottom = -130.0;

    explicit PlotCanvas(QWidget* parent = nullptr);

    // The persistent drawing, one pixel per screen pixel of the inside.
    const QImage& image() const { syncImage(); return image_; }
    // Plot coordinates to a pixel position of image() and back.
    QPointF toPixel(double x, double y) const;
    QPointF toPlot(QPointF pixel) const;
    // The same pixel position relative to the widget (inside the border).
    QPointF toWidget(double x, double y) const;

    void clear();
    void setDrawWidth(int pixels) { drawWidth_ = pixels; }
    // A point in the colour; it becomes the current point.
    void plotPoint(double x, double y, const QColor& colour);
    // A line from the current point; its end becomes the current point.
    void lineTo(double x, double y, const QColor& colour);
    void line(double x1, double y1, double x2, double y2, const QColor& colour);
    // Outline and filled rectangles between two corners.
    void box(double x1, double y1, double x2, double y2, const QColor& colour);
    void filledBox(double x1, double y1, double x2, double y2, const QColor& colour);
    // A text whose top-left corner lies at the point, in the box's font.
    void printText(double x, double y, const QString& text, const QColor& colour);

signals:
    // The mouse moved over the box; the position in plot coordinates.
    void pointerMoved(float x, float y);
    void pointerLeft();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPointF clampedPixel(double x, double y) const;
    QPen pen(const QColor& colour) const;

    // Keeps the backing image the size of the inside of the box; a hidden
    // widget gets no resize events until it is shown.
    void syncImage() const;

    mutable QImage image_;
    int drawWidth_ = 1;
    double currentX_ = 0.0;
    double currentY_ = 0.0;
};

// A cursor line lying over the drawing: a 1-pixel red bar that lets the mouse
// moves through to the picture under it.
class CursorLine : public QWidget {
    Q_OBJECT
public:
    explicit CursorLine(QWidget* parent);
};

}  // namespace tessaray
