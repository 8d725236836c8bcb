#pragma once
// The controls of a window described as one table: designer name, kind, place
// in twips, font, caption and colours, one row a control, built in table
// order (later rows lie above earlier ones). A form builds its table once and
// then takes the controls it works with by their designer names.

#include <QHash>
#include <QString>
#include <QWidget>

#include <functional>
#include <span>

namespace tessaray {

enum class ControlKind {
    Label,    // QLabel with a caption
    TextBox,  // QLineEdit, text centred
    Button,   // a design button (ui_style.h); its background is the row's background
    Option,   // QRadioButton
    Check,    // QCheckBox
    Frame,    // QGroupBox holding the rows that name it as parent
    Picture,  // QLabel showing a 32 x 32 artwork, reached by Tab
    Custom,   // made by the form's own factory (lists, drawings)
};

// The font families of the designs (ui_style.h); Window keeps the font the
// control inherits.
enum class Face { Window, Meiryo, Times, MsGothic, MsPGothic, MaruGothic };

// The colours of the designs; None leaves the palette as it is.
enum class Paint { None, Black, Blue, Green, Red, Grey, LightCyan, LightYellow };

struct ControlSpec {
    const char* name;  // designer name, also the object name
    ControlKind kind;
    // Left, top, width, height in twips relative to the parent's client area;
    // a width of 0 places the control at left, top sized to its text.
    int left = 0, top = 0, width = 0, height = 0;
    Face face = Face::Window;
    double points = 0;
    const char* caption = "";   // UTF-8; the artwork name of a Picture
    const char* parent = nullptr;  // designer name of the enclosing control; null: the window
    Paint text = Paint::None;
    Paint background = Paint::None;
    bool border = false;  // a single-line box around a label
    Qt::Alignment alignment = {};  // of a label's text; empty: the toolkit's default
    const char* toolTip = nullptr;
};

// The controls built from a table, by designer name.
class DesignedControls {
public:
    // The control of that name as T; a missing name or a wrong kind is a
    // fault of the table and stops the program.
    template <typename T = QWidget>
    T* get(const char* name) const {
        T* control = qobject_cast<T*>(find(name));
        if (!control) qFatal("control %s is missing or of another kind", name);
        return control;
    }
    void add(const char* name, QWidget* control) { controls_.insert(QString::fromLatin1(name), control); }

private:
    QWidget* find(const char* name) const { return controls_.value(QString::fromLatin1(name)); }
    QHash<QString, QWidget*> controls_;
};

// Makes the widget of a Custom row; the builder then names it and sets its
// font and place.
using CustomControlFactory = std::function<QWidget*(const ControlSpec& row, QWidget* parent)>;

// Builds every row of `table` on `form`, in order.
DesignedControls buildControls(QWidget* form, std::span<const ControlSpec> table,
                               const CustomControlFactory& makeCustom = {});

}  // namespace tessaray
