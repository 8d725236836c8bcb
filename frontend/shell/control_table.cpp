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

QFont fontOf(const ControlSpec& spec) {
    switch (spec.face) {
        case Face::Meiryo: return designFont(kMeiryo, spec.points);
        case Face::Times: return designFont(kTimes, spec.points);
        case Face::MsGothic: return designFont(kMsGothic, spec.points);
        case Face::MsPGothic: return designFont(kMsPGothic, spec.points);
        case Face::MaruGothic: return designFont(kMaruGothic, spec.points);
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

QRect placeOf(const ControlSpec& spec) { return twipsRect(spec.left, spec.top, spec.width, spec.height); }

QWidget* make(const ControlSpec& spec, QWidget* parent, const CustomControlFactory& makeCustom) {
    const QString caption = QString::fromUtf8(spec.caption);
    switch (spec.kind) {
        case ControlKind::Label: {
            auto* label = new QLabel(caption, parent);
            if (spec.border) {
                label->setFrameShape(QFrame::Box);
                label->setFrameShadow(QFrame::Plain);
                label->setLineWidth(1);
            }
            if (spec.alignment) label->setAlignment(spec.alignment);
            return label;
        }
        case ControlKind::TextBox: {
            auto* box = new QLineEdit(parent);
            box->setAlignment(Qt::AlignCenter);
            box->setTextMargins(0, 0, 0, 0);
            return box;
        }
        case ControlKind::Button:
            return designButton(parent, spec.name, placeOf(spec), caption, fontOf(spec), colourOf(spec.background));
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
            if (!makeCustom) qFatal("control %s needs a factory", spec.name);
            return makeCustom(spec, parent);
    }
    return nullptr;
}

}  // namespace

DesignedControls buildControls(QWidget* form, std::span<const ControlSpec> table, const CustomControlFactory& makeCustom) {
    DesignedControls controls;
    for (const ControlSpec& spec : table) {
        QWidget* parent = spec.parent ? controls.get(spec.parent) : form;
        QWidget* control = make(spec, parent, makeCustom);
        control->setObjectName(QString::fromLatin1(spec.name));
        controls.add(spec.name, control);
        if (spec.kind == ControlKind::Button) {
            // Font, place and colours are the button's own (designButton).
            if (spec.toolTip) control->setToolTip(QString::fromUtf8(spec.toolTip));
            continue;
        }
        if (spec.face != Face::Window) control->setFont(fontOf(spec));
        if (spec.text != Paint::None) setTextColour(control, colourOf(spec.text));
        if (spec.background != Paint::None) setBackground(control, colourOf(spec.background));
        if (spec.width == 0) {
            control->move(twips(spec.left), twips(spec.top));
            control->adjustSize();
        } else {
            control->setGeometry(placeOf(spec));
        }
        if (spec.toolTip) control->setToolTip(QString::fromUtf8(spec.toolTip));
    }
    return controls;
}

}  // namespace tessaray
