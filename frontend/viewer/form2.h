#pragma once
// Form2, the result viewer: browse and read result files, plot the spectra,
// show the conversion factors and a cursor read-out.

#include <QWidget>

#include "shell/message_sink.h"
#include "shell/module1.h"

namespace tessaray {

class Form2 : public QWidget {
    Q_OBJECT
public:
    Form2(Module1& state, MessageSink& messages, QWidget* parent = nullptr);

    // Puts the viewer into its opening state: folder and file lists on the
    // current folder of the chosen drive, plot cleared, cursor hidden,
    // read-outs emptied, "Spectra draw" and "File delete" disabled, all
    // components ticked, "OFF" and "1.0" selected, factor labels emptied.
    // Showing the window and hiding Form1 is the caller's part.
    void applyOpeningState();

signals:
    // "Exit": the program shows Form1, then hides the viewer.
    void exitRequested();
    // The close box: the program shows Form1; the viewer window is discarded
    // (it deletes itself) while the shared data stays.
    void closedByUser();
};

}  // namespace tessaray
