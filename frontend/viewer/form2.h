#pragma once
// Form2, the result viewer: browse and read result files, plot the spectra,
// show the conversion factors and a cursor read-out.

#include <QFileSystemWatcher>
#include <QStringList>
#include <QWidget>

#include <array>

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
    void connectControls();
    void setFocusOrder();
    void clearDrawing();
    // Shows the first lines of the selected file in Picture2, so that the
    // preview always shows the file that "OK" reads and "File delete" deletes.
    void showSelectedFile();
    void watchFolder(const QString& folder);
    void clearFactorLabels();
    void hideCursor();
    QString selectedFilePath() const;

    Module1& state_;
    MessageSink& messages_;
    QStringList headerLines_;
    int selectedDepth_ = 0;
    QString curveTitle_;
    // Lists the shown folder again when files appear in it or leave it.
    QFileSystemWatcher folderWatcher_;

    // The controls by role; their object names are the designer names.
    DriveList* drives_ = nullptr;     // Drive1
    FolderList* folders_ = nullptr;   // Dir1
    FileList* files_ = nullptr;       // File1, the "*.csv" files of the folder
    PreviewBox* preview_ = nullptr;   // Picture2, the first lines of the selected file
    PlotCanvas* plot_ = nullptr;      // Picture1
    CursorLine* levelLine_ = nullptr;   // Line1, horizontal, at the read-out value
    CursorLine* energyLine_ = nullptr;  // Line2, vertical, at the mouse's energy
    QPushButton* readButton_ = nullptr;    // Command1 "OK"
    QPushButton* drawButton_ = nullptr;    // Command2 "Spectra draw"
    QPushButton* exitButton_ = nullptr;    // Command3 "Exit"
    QPushButton* deleteButton_ = nullptr;  // Command4 "File delete"
    QPushButton* resetButton_ = nullptr;   // Command5 "Reset"
    QPushButton* clearButton_ = nullptr;   // Command6 "Graph Clear"
    std::array<QCheckBox*, 3> componentChecks_ = {};  // Check1..Check3: primary, scatter, total
    QRadioButton* incidentOption_ = nullptr;                  // Option1
    std::array<QRadioButton*, kDepths> depthOptions_ = {};    // Option2..Option7: 0 to 20 cm
    QRadioButton* normalizeOnOption_ = nullptr;               // Option8
    QRadioButton* normalizeOffOption_ = nullptr;              // Option9
    std::array<QRadioButton*, 3> scaleOptions_ = {};          // Option10..Option12: 1.0, 2.0, 4.0
    QLineEdit* energyReadout_ = nullptr;   // Text1, keV under the cursor
    QLineEdit* valueReadout_ = nullptr;    // Text2, relative value under the cursor
    QLineEdit* maximumReadout_ = nullptr;  // Text3, the normalisation maximum
    std::array<QLineEdit*, kDepths + 1> ratioOfSumsBoxes_ = {};  // Text4..Text10, incident then depths
    std::array<QLabel*, kDepths + 1> factorLabels_ = {};         // Label6, 7, 17, 24..27
};

}  // namespace tessaray
