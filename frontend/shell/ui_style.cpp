#include "shell/ui_style.h"

#include <QPushButton>

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QWidget>

namespace tessaray {

void installFontSubstitutions() {
    QFont::insertSubstitutions(kMeiryo, {QStringLiteral("IPAexGothic"), QStringLiteral("IPAGothic")});
    QFont::insertSubstitutions(kMsGothic, {QStringLiteral("IPAGothic")});
    QFont::insertSubstitutions(kMsPGothic, {QStringLiteral("IPAPGothic")});
    QFont::insertSubstitutions(kMaruGothic, {QStringLiteral("MotoyaLMaru"), QStringLiteral("IPAexGothic")});
    QFont::insertSubstitutions(kTimes, {QStringLiteral("Liberation Serif")});
}

void setBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Button, colour);
    palette.setColor(QPalette::Base, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QPushButton* designButton(QWidget* parent, const char* name, const QRect& geometry, const QString& caption,
                          const QFont& font, const QColor& background) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setFont(font);
    setBackground(button, background);
    // The palette colours the button face; a filled widget background would
    // also paint the corners outside its rounded frame.
    button->setAutoFillBackground(false);
    button->setAutoDefault(true);
    return button;
}

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::WindowText, colour);
        palette.setColor(group, QPalette::Text, colour);
        palette.setColor(group, QPalette::ButtonText, colour);
    }
    widget->setPalette(palette);
}

void centreOnScreen(QWidget* window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect available = screen->availableGeometry();
    QRect frame = window->frameGeometry();
    if (frame.isEmpty()) frame = QRect(QPoint(0, 0), window->size());
    frame.moveCenter(available.center());
    window->move(frame.topLeft());
}

void showCentred(QWidget* window) {
    centreOnScreen(window);
    window->show();
    window->activateWindow();
}

}  // namespace tessaray
