#include "viewer/form2.h"

#include <QCloseEvent>

#include "shell/ui_style.h"

namespace tessaray {

Form2::Form2(Module1& state, MessageSink& messages, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    (void)state;
    (void)messages;
    setObjectName("Form2");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8("Ｘ線スペクトル　　空気カーマ - 軟部組織吸収線量 換算係数"));
    setFixedSize(twips(18885), twips(9480));
}

void Form2::applyOpeningState() {}

}  // namespace tessaray
