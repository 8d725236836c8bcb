#include "shell/control_table.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "shell/artwork.h"
#include "shell/ui_style.h"

namespace tessaray {

namespace {

QFont fontOf(const ControlSpec& row) {
    switch (row.face) {
        case Face::Meiryo: return designFont(kMeiryo, row.points);
        case Face::Times: return designFont(kTimes, row.points);
        case Face::MsGothic: return designFont(kMsGothic, row.points);
        case Face::MsPGothic: return designFont(kMsPGothic, row.points);
        case Face::MaruGothic: return designFont(kMaruGothic, row.points);
        case Face::Window: break;
    }
    return QFont();
}

QColor colourOf(Paint paint) {
    switch (paint) {
        case Paint::Black: return Qt::black;
        case Paint::Blue: return kBlue;
        case Paint::Green: return kGreen;
        case Paint::Red: return kRed;
        case Paint::Grey: return kGrey;
        case Paint::LightCyan: return kLightCyan;
        case Paint::LightYellow: return kLightYellow;
        case Paint::None: break;
    }
    return QColor();
}

QRect placeOf(const ControlSpec& row) { return twipsRect(row.left, row.top, row.width, row.height); }

QWidget* make(const ControlSpec& row, QWidget* parent, const CustomControlFactory& makeCustom) {
    const QString caption = QString::fromUtf8(row.caption);
    switch (row.kind) {
        case ControlKind::Label: {
            auto* label = new QLabel(caption, parent);
            if (row.border) {
                label->setFrameShape(QFrame::Box);
                label->setFrameShadow(QFrame::Plain);
                label->setLineWidth(1);
            }
            if (row.alignment) label->setAlignment(row.alignment);
            return label;
        }
        case ControlKind::TextBox: {
            auto* box = new QLineEdit(parent);
            box->setAlignment(Qt::AlignCenter);
            box->setTextMargins(0, 0, 0, 0);
            return box;
        }
        case ControlKind::Button:
            return designButton(parent, row.name, placeOf(row), caption, fontOf(row), colourOf(row.background));
        case ControlKind::Option: return new QRadioButton(caption, parent);
        case ControlKind::Check: return new QCheckBox(caption, parent);
        case ControlKind::Frame: return new QGroupBox(caption, parent);
        case ControlKind::Picture: {
            auto* picture = new QLabel(parent);
            picture->setPixmap(artworkPixmap(caption, 32));
            picture->setFocusPolicy(Qt::TabFocus);
            return picture;
        }
        case ControlKind::Custom:
            if (!makeCustom) qFatal("control %s needs a factory", row.name);
            return makeCustom(row, parent);
    }
    return nullptr;
}

}  // namespace

DesignedControls buildControls(QWidget* form, std::span<const ControlSpec> table, const CustomControlFactory& makeCustom) {
    DesignedControls controls;
    for (const ControlSpec& row : table) {
        QWidget* parent = row.parent ? controls.get(row.parent) : form;
        QWidget* control = make(row, parent, makeCustom);
        control->setObjectName(QString::fromLatin1(row.name));
        controls.add(row.name, control);
        if (row.kind == ControlKind::Button) {
            // Font, place and colours are the button's own (designButton).
            if (row.toolTip) control->setToolTip(QString::fromUtf8(row.toolTip));
            continue;
        }
        if (row.face != Face::Window) control->setFont(fontOf(row));
        if (row.text != Paint::None) setTextColour(control, colourOf(row.text));
        if (row.background != Paint::None) setBackground(control, colourOf(row.background));
        if (row.width == 0) {
            control->move(twips(row.left), twips(row.top));
            control->adjustSize();
        } else {
            control->setGeometry(placeOf(row));
        }
        if (row.toolTip) control->setToolTip(QString::fromUtf8(row.toolTip));
    }
    return controls;
}

}  // namespace tessaray
