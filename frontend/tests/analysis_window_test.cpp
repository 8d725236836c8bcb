// The analysis window of the result viewer: opened from the viewer without
// moving its controls, the table of the result read, the missing companion
// marked, and exports written and read back.

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "shell/ui_style.h"
#include "viewer/analysis_window.h"
#include "viewer/file_browser.h"
#include "viewer/form2.h"
#include "viewer/plot_canvas.h"
#include "viewer_test_support.h"

using tessaray::AnalysisWindow;
using tessaray::Form2;
using namespace viewer_test;

class AnalysisWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> folder_;
    QDir dir_;
    QString previousCurrent_;
    std::unique_ptr<tessaray::Module1> state_;
    std::unique_ptr<RecordingSink> sink_;
    QPointer<Form2> form_;

    // Reads `name` of the folder through the viewer, then opens the window by its button.
    AnalysisWindow* readAndOpen(const QString& name) {
        form_->applyOpeningState();
        form_->findChild<tessaray::FolderList*>(QStringLiteral("Dir1"))->setPath(dir_.path());
        if (!form_->findChild<tessaray::FileList*>(QStringLiteral("File1"))->selectFile(name)) return nullptr;
        form_->readResultFile();
        form_->findChild<QPushButton*>(QStringLiteral("AnalysisButton"))->click();
        return form_->findChild<AnalysisWindow*>();
    }

    static QString cell(AnalysisWindow* w, int row, int column) { return w->table()->item(row, column)->text(); }

    // Pixels of the total curve's red in a picture.
    static int redPixels(const QImage& image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) count += image.pixelColor(x, y) == QColor(255, 0, 0);
        }
        return count;
    }
    static QImage shownPlot(AnalysisWindow* w) {
        auto* plot = w->findChild<QWidget*>(QStringLiteral("FluencePlot"));
        QImage shown(plot->size(), QImage::Format_RGB32);
        plot->render(&shown);
        return shown;
    }

private slots:
    void init() {
        folder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(folder_->isValid());
        dir_ = QDir(folder_->path());
        for (const char* name : {"tiny.csv", "tiny.json"}) {
            QVERIFY(QFile::copy(QStringLiteral(ANALYSIS_FIXTURES "/") + name, dir_.filePath(name)));
        }
        QVERIFY(QFile::copy(QStringLiteral(ANALYSIS_FIXTURES "/tiny.csv"), dir_.filePath("alone.csv")));
        // The window reads the coefficient table of the working directory, in either spelling.
        QVERIFY(QFile::copy(QStringLiteral(SHIPPED_DATA "/Att_Coeff2023.dat"), dir_.filePath("att_coeff2023.dat")));
        previousCurrent_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
        state_ = std::make_unique<tessaray::Module1>();
        fillCoefficients(*state_);
        sink_ = std::make_unique<RecordingSink>();
        form_ = new Form2(*state_, *sink_);
        tessaray::attachAnalysisWindow(*form_, *sink_);
    }
    void cleanup() {
        delete form_.data();
        QDir::setCurrent(previousCurrent_);
    }

    void openingMovesNoControlOfTheViewer() {
        Form2 plain(*state_, *sink_);
        const auto geometryOf = [](QWidget& w) {
            QMap<QString, QRect> map;
            for (QWidget* c : w.findChildren<QWidget*>()) {
                if (!c->objectName().isEmpty() && c->objectName() != "AnalysisButton") map[c->objectName()] = c->geometry();
            }
            return map;
        };
        QCOMPARE(geometryOf(*form_), geometryOf(plain));
        // The button lies in free space of the client area, clear of every control.
        auto* button = form_->findChild<QPushButton*>(QStringLiteral("AnalysisButton"));
        QVERIFY(button);
        QVERIFY(form_->rect().contains(button->geometry()));
        for (QWidget* c : form_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (c != button && !c->isWindow()) QVERIFY2(!c->geometry().intersects(button->geometry()), qPrintable(c->objectName()));
        }
        QCOMPARE(button->focusPolicy(), Qt::ClickFocus);
        QCOMPARE(form_->findChild<QWidget*>(QStringLiteral("Picture1"))->contextMenuPolicy(), Qt::CustomContextMenu);
    }

    void shortcutOpensTheWindow() {
        form_->show();
        QApplication::setActiveWindow(form_);
        QVERIFY(QTest::qWaitForWindowActive(form_));
        QVERIFY(!form_->findChild<AnalysisWindow*>());
        QTest::keyClick(form_, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        AnalysisWindow* w = form_->findChild<AnalysisWindow*>();
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QCOMPARE(w->table()->rowCount(), 0);  // nothing read yet
    }

    void showsTheFiguresWithBatchUncertainties() {
        AnalysisWindow* w = readAndOpen(QStringLiteral("tiny.csv"));
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QVERIFY(w->analysis().has_value());
        QVERIFY(w->statusText().contains(QStringLiteral("付随ファイル tiny.json あり")));
        // Seven spectra by the counts, then seven by the true fluence.
        QCOMPARE(w->table()->rowCount(), 14);
        QVERIFY(w->table()->verticalHeaderItem(3)->text().startsWith(QStringLiteral("5 cm")));
        QCOMPARE(cell(w, 3, 3), QStringLiteral("0.200 ± 0.033"));    // S/P by counts at 5 cm: 0.2 ± 1/30
        QCOMPARE(cell(w, 8, 4), QStringLiteral("1.300 ± 0.067"));    // (P+S)/P of the 0 cm sphere, true fluence
        QCOMPARE(cell(w, 0, 3), QStringLiteral("—"));                // no scatter in the incident beam
        QCOMPARE(cell(w, 1, 5), QStringLiteral("1.0000 ± 0"));       // mean energy: all at 1 keV
        QCOMPARE(redPixels(shownPlot(w)), 0);
        w->drawTrueFluence(2);
        QVERIFY(redPixels(shownPlot(w)) > 0);
    }

    void marksAMissingCompanion() {
        AnalysisWindow* w = readAndOpen(QStringLiteral("alone.csv"));
        QVERIFY(w);
        QVERIFY(w->statusText().contains(QStringLiteral("付随ファイル (.json) がありません")));
        QCOMPARE(w->table()->rowCount(), 7);
        QCOMPARE(cell(w, 3, 3), QStringLiteral("0.200 ± 0.049"));  // Poisson: 0.2·sqrt(1/20 + 1/100)
        w->drawTrueFluence(2);
        QCOMPARE(redPixels(shownPlot(w)), 0);
        // A later read of the viewer refreshes the open window.
        form_->findChild<tessaray::FileList*>(QStringLiteral("File1"))->selectFile(QStringLiteral("tiny.csv"));
        form_->readResultFile();
        QCOMPARE(w->table()->rowCount(), 14);
    }

    void tableExportIsWrittenAndReadBack() {
        AnalysisWindow* w = readAndOpen(QStringLiteral("tiny.csv"));
        QVERIFY(w);
        const QString path = dir_.filePath("figures.csv");
        w->setSaveFileChooser([&](QWidget*, const QString&, const QString&) { return dir_.filePath("figures"); });
        w->findChild<QPushButton*>(QStringLiteral("SaveTableButton"))->click();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.endsWith("\r\n"));
        const QList<QByteArray> lines = text.trimmed().split('\n');
        QCOMPARE(lines.size(), 15);
        const QList<QByteArray> header = lines[0].trimmed().split(',');
        const QList<QByteArray> twoCm = lines[3].trimmed().split(',');
        QCOMPARE(twoCm.size(), header.size());
        QCOMPARE(twoCm[0] + "," + twoCm[1] + "," + twoCm[2] + "," + twoCm[3], QByteArray("depth,2,counts,batches_1sd"));
        const auto column = [&](const QList<QByteArray>& row, const char* name) {
            return row[header.indexOf(QByteArray(name))].toDouble();
        };
        QCOMPARE(column(twoCm, "scatter_to_primary_kerma"), 0.2);
        QVERIFY(qAbs(column(twoCm, "u_scatter_to_primary_kerma") - 1.0 / 30) < 1e-10);
        const QList<QByteArray> incident = lines[1].trimmed().split(',');
        QCOMPARE(column(incident, "hvl1_mm_al"), w->analysis()->incidentBeam.hvl1MmAl);
        QVERIFY(lines[8].startsWith("incident,,true_fluence"));
    }

    void plotExportsAreWrittenAndReadBack() {
        AnalysisWindow* w = readAndOpen(QStringLiteral("tiny.csv"));
        QVERIFY(w);
        w->drawTrueFluence(0);
        QVERIFY(w->exportAnalysisPlot(dir_.filePath("band.png")));
        QImage band(dir_.filePath("band.png"));
        QCOMPARE(band.size(), QSize(900, 560));
        QVERIFY(redPixels(band) > 0);  // the total curve
        QVERIFY(w->exportAnalysisPlot(dir_.filePath("band.svg")));
        QSvgRenderer svg(dir_.filePath("band.svg"));
        QVERIFY(svg.isValid());

        // The viewer's plot: the incident spectrum drawn, saved through the dialog.
        form_->drawSpectra();
        w->setSaveFileChooser([&](QWidget*, const QString&, const QString&) { return dir_.filePath("viewer.png"); });
        w->findChild<QPushButton*>(QStringLiteral("SaveViewerPlotButton"))->click();
        const QImage viewer(dir_.filePath("viewer.png"));
        QCOMPARE(viewer.convertToFormat(QImage::Format_RGB32),
                 form_->findChild<tessaray::PlotCanvas*>(QStringLiteral("Picture1"))->image().convertToFormat(QImage::Format_RGB32));
        QVERIFY(w->exportViewerPlot(dir_.filePath("viewer.svg")));
        QVERIFY(QSvgRenderer(dir_.filePath("viewer.svg")).isValid());
        QVERIFY(sink_->warnings.isEmpty());
    }

    void exportsRefuseWhatTheyMustNotReplace() {
        AnalysisWindow* w = readAndOpen(QStringLiteral("tiny.csv"));
        QVERIFY(w);
        QVERIFY(dir_.mkdir("folder.csv"));
        QVERIFY(!w->exportTable(dir_.filePath("folder.csv")));
        QVERIFY(QFileInfo(dir_.filePath("folder.csv")).isDir());
        QVERIFY(!w->exportAnalysisPlot(dir_.filePath("plot.bmp")));
        QVERIFY(!QFile::exists(dir_.filePath("plot.bmp")));
        QCOMPARE(sink_->warnings.size(), 2);
        QVERIFY(sink_->warnings[0].startsWith(QStringLiteral("通常のファイルではない")));
    }

    void formatsEstimatesToTheirUncertainty() {
        const struct {
            double value, u;
            const char* shown;
        } cases[] = {
            {1.05501, 0.0012, "1.0550 ± 0.0012"}, {0.2, 1.0 / 30, "0.200 ± 0.033"}, {38.877, 3.87, "38.9 ± 3.9"},
            {1234.4, 56.0, "1234 ± 56"},           {1.2, 0.0, "1.2000 ± 0"}, {1.0283, 2e-16, "1.0283 ± 0"},      {qQNaN(), qQNaN(), "—"}, {12.45642, qQNaN(), "12.4564 ± —"},
        };
        for (const auto& c : cases) QCOMPARE(tessaray::formatEstimate({c.value, c.u}), QString::fromUtf8(c.shown));
    }
};

QTEST_MAIN(AnalysisWindowTest)
#include "analysis_window_test.moc"
