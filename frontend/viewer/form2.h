#pragma once
// Form2, the result viewer: browse and read result files, plot the spectra,
// show the conversion factors and a cursor read-out.

#include <QStringList>
#include <QWidget>

#include "shell/message_sink.h"
#include "shell/module1.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tessaray {

class DriveList;
class FileList;
class FolderList;
class PlotCanvas;
class PreviewBox;
class CursorLine;

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

    // The handlers of the viewer's controls, callable directly.
    void changeDrive();
    void changeFolder();
    void previewResultFile();
    void readResultFile();
    void deleteResultFile();
    void drawSpectra();
    void clearGraph();
    void resetViewer();
    // The mouse at plot coordinates x, y over Picture1.
    void trackCursor(float x, float y);
    void exitViewer();

    // Lines 1..11 of the last file read (1..10 after a preview).
    const QStringList& headerLines() const { return headerLines_; }
    int selectedDepth() const { return selectedDepth_; }
    const QString& curveTitle() const { return curveTitle_; }

signals:
    // "Exit": the program shows Form1, then hides the viewer.
    void exitRequested();
    // The close box: the program shows Form1; the viewer window is discarded
    // (it deletes itself) while the shared data stays.
    void closedByUser();
    // A result file has been read into the tables.
    void resultFileRead(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void setFocusOrder();
    void clearDrawing();
    void clearFactorLabels();
    void hideCursor();
    QString selectedFilePath() const;

    Module1& state_;
    MessageSink& messages_;
    QStringList headerLines_;
    int selectedDepth_ = 0;
    QString curveTitle_;

    DriveList* drive1_ = nullptr;
    FolderList* dir1_ = nullptr;
    FileList* file1_ = nullptr;
    PreviewBox* picture2_ = nullptr;
    PlotCanvas* picture1_ = nullptr;
    CursorLine* line1_ = nullptr;
    CursorLine* line2_ = nullptr;
    QPushButton* command1_ = nullptr;
    QPushButton* command2_ = nullptr;
    QPushButton* command3_ = nullptr;
    QPushButton* command4_ = nullptr;
    QPushButton* command5_ = nullptr;
    QPushButton* command6_ = nullptr;
    QCheckBox* check_[4] = {};
    QRadioButton* option_[13] = {};
    QLineEdit* text_[11] = {};
    QLabel* factorLabel_[kDepths + 1] = {};
};

}  // namespace tessaray
