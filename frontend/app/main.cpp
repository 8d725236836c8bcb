// Tessaray: the desktop front-end that sets up runs of the engine Corvane and
// shows their results. It starts on the explanation window.

#include <QApplication>
#include <QStyleFactory>

#include "app/navigator.h"
#include "shell/artwork.h"
#include "shell/message_sink.h"
#include "shell/module1.h"
#include "shell/program_end.h"
#include "shell/ui_style.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaray"));
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(fusion);
    // The program ends only through its own buttons and close boxes, never
    // because every window happens to be hidden.
    QApplication::setQuitOnLastWindowClosed(false);
    tessaray::installFontSubstitutions();
    QApplication::setWindowIcon(tessaray::artworkIcon(QStringLiteral("tessaray")));

    tessaray::Module1 state;
    tessaray::DialogMessageSink messages;
    tessaray::Navigator navigator(state, messages, tessaray::leaveEventLoop());
    navigator.start();
    return QApplication::exec();
}
