#pragma once
// Tessaray's own artwork: icons drawn as SVG in the program's resources, and
// the phantom drawing of the explanation window.

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QWidget>

namespace tessaray {

// Names of the pictures: "tessaray" (application icon and the small picture of
// Form1 and Form3), "arrow_down", "form1_icon", "form2_icon", "form3_icon".
QPixmap artworkPixmap(const QString& name, int size = 32);
QIcon artworkIcon(const QString& name);

// The cylindrical phantom with the X-ray source, the beam, the detector
// spheres on the axis, a primary and a scattered ray, and the dimension
// labels "60 cm" and "30 cm". White background with a border.
class PhantomDrawing : public QWidget {
public:
    explicit PhantomDrawing(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace tessaray
