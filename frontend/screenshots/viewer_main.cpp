// Renders the result viewer to a PNG after reading a result file and drawing
// the spectra of one depth, for reviewing the window's look.
//
//   viewer_main OUTPUT_FOLDER RESULT.csv [DATA_FOLDER] [DEPTH_OPTION]
//
// The pictures are written to OUTPUT_FOLDER/viewer.png and, of the analysis
// window opened on the same file (its true fluence at 0 cm drawn when the
// companion file lies beside the result), OUTPUT_FOLDER/analysis.png. DATA_FOLDER holds the coefficient table (default: the current folder);
// DEPTH_OPTION is the option button to draw, "Option2" (0 cm) .. "Option7"
// (20 cm) or "Option1" (incident), default "Option4" (5 cm).

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>

#include <cstdio>

#include "shell/coefficient_table.h"
#include "shell/message_sink.h"
#include "shell/module1.h"
#include "shell/ui_style.h"
#include "viewer/analysis_window.h"
#include "viewer/file_browser.h"
#include "viewer/form2.h"

namespace {

class ConsoleSink : public tessaray::MessageSink {
public:
    void warning(QWidget*, const QString& text) override { report("warning", text); }
    bool confirm(QWidget*, const QString& text) override {
        report("question", text);
        return false;
    }
    bool ask(QWidget*, const QString& text) override {
        report("question", text);
        return false;
    }
    void fatal(QWidget*, const QString& text) override { report("error", text); }
    int count = 0;

private:
    void report(const char* kind, const QString& text) {
        ++count;
        std::fprintf(stderr, "viewer_main: %s: %s\n", kind, text.toUtf8().constData());
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: viewer_main OUTPUT_FOLDER RESULT.csv [DATA_FOLDER] [DEPTH_OPTION]\n");
        return 2;
    }
    const QString output = QDir(QString::fromLocal8Bit(argv[1])).filePath(QStringLiteral("viewer.png"));
    const QFileInfo result(QString::fromLocal8Bit(argv[2]));
    const QString dataFolder = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QDir::currentPath();
    const QString depthOption = argc > 4 ? QString::fromLocal8Bit(argv[4]) : QStringLiteral("Option4");

    tessaray::installFontSubstitutions();
    tessaray::Module1 state;
    QString error;
    if (!tessaray::loadCoefficientTable(state, &error, QDir(dataFolder))) {
        std::fprintf(stderr, "viewer_main: %s\n", error.toUtf8().constData());
        return 1;
    }

    ConsoleSink messages;
    auto* viewer = new tessaray::Form2(state, messages);
    tessaray::attachAnalysisWindow(*viewer, messages);
    viewer->applyOpeningState();
    viewer->findChild<tessaray::FolderList*>("Dir1")->setPath(result.absolutePath());
    if (!viewer->findChild<tessaray::FileList*>("File1")->selectFile(result.fileName())) {
        std::fprintf(stderr, "viewer_main: %s is not listed\n", qPrintable(result.fileName()));
        return 1;
    }
    viewer->previewResultFile();
    viewer->readResultFile();
    if (messages.count != 0) return 1;

    auto* option = viewer->findChild<QRadioButton*>(depthOption);
    if (!option) {
        std::fprintf(stderr, "viewer_main: no option button %s\n", qPrintable(depthOption));
        return 2;
    }
    option->setChecked(true);
    viewer->drawSpectra();
    viewer->show();
    QApplication::processEvents();
    // The cursor over the 30 keV bin.
    viewer->trackCursor(1190.0f, 500.0f);
    QApplication::processEvents();

    if (!viewer->grab().save(output)) {
        std::fprintf(stderr, "viewer_main: cannot write %s\n", qPrintable(output));
        return 1;
    }
    std::printf("%s\n", qPrintable(output));

    // The analysis window reads the coefficient table of the working directory.
    QDir::setCurrent(dataFolder);
    viewer->findChild<QPushButton*>("AnalysisButton")->click();
    auto* analysis = viewer->findChild<tessaray::AnalysisWindow*>();
    analysis->drawTrueFluence(0);
    QApplication::processEvents();
    const QString analysisOutput = QDir(QString::fromLocal8Bit(argv[1])).filePath(QStringLiteral("analysis.png"));
    if (!analysis->grab().save(analysisOutput)) {
        std::fprintf(stderr, "viewer_main: cannot write %s\n", qPrintable(analysisOutput));
        return 1;
    }
    std::printf("%s\n", qPrintable(analysisOutput));
    delete viewer;
    return 0;
}
