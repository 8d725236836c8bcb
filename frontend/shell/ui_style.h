#pragma once
// Layout units and fonts of Tessaray's windows. Positions are designed in
// twips (1/1440 inch, 15 twips = 1 pixel at 96 dpi); Qt scales the pixels for
// high-dpi screens. Font sizes in points become pixel sizes at 96 dpi
// (12 pt = 16 px) so the layout does not depend on the screen's dpi.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QPushButton;
class QWidget;

namespace tessaray {

inline int twips(int t) { return (t + 7) / 15; }
inline QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

// A font of the window designs by its Windows family name and point size.
// The family names are mapped to installed fonts by installFontSubstitutions.
inline QFont designFont(const QString& family, double points) {
    QFont f(family);
    f.setPixelSize(static_cast<int>(points * 96.0 / 72.0 + 0.5));
    return f;
}

// The font families of the designs, by their Windows names.
inline const QString kMeiryo = QStringLiteral("メイリオ");
inline const QString kTimes = QStringLiteral("Times New Roman");
inline const QString kMsGothic = QStringLiteral("ＭＳ ゴシック");
inline const QString kMsPGothic = QStringLiteral("ＭＳ Ｐゴシック");
inline const QString kMaruGothic = QStringLiteral("HG丸ｺﾞｼｯｸM-PRO");

// Maps the Windows font names of the designs to installed fonts, once at start.
void installFontSubstitutions();

inline const QColor kLightCyan(192, 255, 255);
inline const QColor kLightYellow(255, 255, 192);
inline const QColor kBlue(0, 0, 255);
inline const QColor kGreen(0, 255, 0);
inline const QColor kRed(255, 0, 0);
inline const QColor kGrey(128, 128, 128);
inline const QColor kLightGrey(192, 192, 192);

// Fills the widget's background with a colour (window and button roles).
void setBackground(QWidget* widget, const QColor& colour);

// A command button of the designs: object name, place, caption font and
// background colour. Enter and the space bar press it while it has the focus,
// as on the platform the windows were designed for.
QPushButton* designButton(QWidget* parent, const char* name, const QRect& geometry, const QString& caption,
                          const QFont& font, const QColor& background);
// Sets the colour of the widget's text (window-text, text and button-text roles).
void setTextColour(QWidget* widget, const QColor& colour);
// Moves a top-level window to the centre of the primary screen.
void centreOnScreen(QWidget* window);
// Shows a top-level window centred on the primary screen and activates it.
void showCentred(QWidget* window);

}  // namespace tessaray
