// The result viewer window: its layout, the file lists, preview, reading,
// deletion, the opening state against Reset, and leaving the window.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "shell/artwork.h"
#include "shell/ui_style.h"
#include "viewer/file_browser.h"
#include "viewer/form2.h"
#include "viewer/plot_canvas.h"
#include "viewer_test_support.h"

using tessaray::Form2;
using tessaray::Module1;
using namespace viewer_test;

class ViewerFormTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> folder_;
    QDir dir_;
    std::unique_ptr<Module1> state_;
    std::unique_ptr<RecordingSink> sink_;
    QPointer<Form2> form_;

    template <typename T>
    T* child(const char* name) {
        T* found = form_->findChild<T*>(QString::fromLatin1(name));
        if (!found) qFatal("no control %s", name);
        return found;
    }
    QString text(const char* name) { return child<QLineEdit>(name)->text(); }
    QString caption(const char* name) { return child<QLabel>(name)->text(); }
    tessaray::FileList* file1() { return child<tessaray::FileList>("File1"); }

    // Opens the viewer on the temporary folder and selects a file there.
    void openOn(const QString& fileName = QString()) {
        form_->applyOpeningState();
        child<tessaray::FolderList>("Dir1")->setPath(dir_.path());
        if (!fileName.isEmpty()) QVERIFY(file1()->selectFile(fileName));
    }

private slots:
    void init() {
        folder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(folder_->isValid());
        dir_ = QDir(folder_->path());
        state_ = std::make_unique<Module1>();
        fillCoefficients(*state_);
        sink_ = std::make_unique<RecordingSink>();
        form_ = new Form2(*state_, *sink_);
    }
    void cleanup() { delete form_.data(); }

    void layoutFollowsTheDesign() {
        QCOMPARE(form_->objectName(), QStringLiteral("Form2"));
        QCOMPARE(form_->size(), QSize(tessaray::twips(18885), tessaray::twips(9480)));
        QCOMPARE(form_->minimumSize(), form_->maximumSize());
        QCOMPARE(form_->windowTitle(), QStringLiteral("Ｘ線スペクトル　　空気カーマ - 軟部組織吸収線量 換算係数"));
        // The viewer's own window icon, not the program's.
        QCOMPARE(form_->windowIcon().pixmap(32, 32).toImage(),
                 tessaray::artworkIcon(QStringLiteral("form2_icon")).pixmap(32, 32).toImage());
        QCOMPARE(child<QWidget>("Picture1")->geometry(), tessaray::twipsRect(6480, 120, 8415, 8775));
        QCOMPARE(child<QWidget>("File1")->geometry(), tessaray::twipsRect(120, 2760, 4095, 2490));
        QCOMPARE(child<QPushButton>("Command2")->text(), QStringLiteral("Spectra draw"));
        QCOMPARE(child<QPushButton>("Command3")->toolTip(), QStringLiteral(" bye "));
        QCOMPARE(child<QRadioButton>("Option7")->text(), QStringLiteral("20 cm"));
        QCOMPARE(caption("Label30"), QStringLiteral("factors.  calculated by"));
        QCOMPARE(text("Text10"), QStringLiteral("Text10"));
        QCOMPARE(child<QPushButton>("Command4")->palette().color(QPalette::Button), tessaray::kLightCyan);
        QCOMPARE(child<QCheckBox>("Check2")->palette().color(QPalette::WindowText), tessaray::kGreen);
        // The focus chain starts at "Exit" and runs through the lists.
        QCOMPARE(child<QWidget>("Command3")->nextInFocusChain(), child<QWidget>("File1"));
        QCOMPARE(child<QWidget>("Drive1")->nextInFocusChain(), child<QWidget>("Picture1"));
        QCOMPARE(form_->focusWidget(), child<QWidget>("Command3"));
    }

    void drivesStartWithTheRoot() {
        auto* drives = child<tessaray::DriveList>("Drive1");
        QVERIFY(drives->count() >= 1);
        QCOMPARE(drives->itemData(0).toString(), QStringLiteral("/"));
        for (int i = 0; i < drives->count(); ++i) {
            const QString root = drives->itemData(i).toString();
            QVERIFY2(!root.startsWith("/proc") && !root.startsWith("/sys") && !root.startsWith("/dev"), qPrintable(root));
        }
        // The current folder of "/" is the program's current folder.
        QCOMPARE(drives->currentFolderOf("/"), QDir::cleanPath(QDir::currentPath()));
    }

    void fileListShowsCsvFilesIgnoringCase() {
        writeFile(dir_, "b.csv", "x");
        writeFile(dir_, "A.CSV", "x");
        writeFile(dir_, "notes.txt", "x");
        writeFile(dir_, "old.csv.bak", "x");
        QVERIFY(dir_.mkdir("sub.csv.d"));
        QVERIFY(dir_.mkpath("inner/deeper"));
        writeFile(QDir(dir_.filePath("inner")), "c.Csv", "x");
        openOn();
        QStringList names;
        for (int i = 0; i < file1()->count(); ++i) names << file1()->item(i)->text();
        QCOMPARE(names, (QStringList{"A.CSV", "b.csv"}));

        // Walking down into a folder and back up again.
        auto* dir1 = child<tessaray::FolderList>("Dir1");
        int inner = -1;
        for (int row = 0; row < dir1->count(); ++row)
            if (dir1->folderAt(row) == QDir::cleanPath(dir_.filePath("inner"))) inner = row;
        QVERIFY(inner >= 0);
        emit dir1->itemActivated(dir1->item(inner));
        QCOMPARE(dir1->path(), QDir::cleanPath(dir_.filePath("inner")));
        QCOMPARE(file1()->count(), 1);
        QCOMPARE(file1()->item(0)->text(), QStringLiteral("c.Csv"));
        QVERIFY(dir1->folderAt(dir1->count() - 1).endsWith("/deeper"));
        emit dir1->itemActivated(dir1->item(dir1->currentRow() - 1));
        QCOMPARE(dir1->path(), QDir::cleanPath(dir_.path()));
        QCOMPARE(file1()->count(), 2);
    }

    void previewShowsTheFirstTenLines() {
        writeFile(dir_, "run.csv", resultText(peakedRows(20, 5)));
        writeFile(dir_, "short.csv", "only line\r\n");
        openOn("run.csv");
        child<QLineEdit>("Text3")->setText("123");
        form_->previewResultFile();
        auto* preview = child<tessaray::PreviewBox>("Picture2");
        QCOMPARE(preview->lines().size(), 10);
        QCOMPARE(preview->lines().first(), QStringLiteral(" Constant potential rectification"));
        QCOMPARE(preview->lines().last(), QStringLiteral(" in water phantom"));
        QVERIFY(child<QPushButton>("Command4")->isEnabled());
        QVERIFY(text("Text3").isEmpty());

        QVERIFY(file1()->selectFile("short.csv"));
        form_->previewResultFile();
        QCOMPARE(preview->lines(), QStringList{"only line"});
    }

    // Moving through File1 with the arrow keys moves the preview along, and
    // "OK" and "File delete" act on the file shown.
    void previewFollowsTheSelectionHoweverItMoves() {
        QByteArray high = resultText(peakedRows(20, 5));
        high.replace("Tube potential =   80.0 [kV]", "Tube potential =  150.0 [kV]");
        writeFile(dir_, "a80.csv", resultText(peakedRows(20, 5)));
        writeFile(dir_, "b150.csv", high);
        openOn();
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_));
        auto* preview = child<tessaray::PreviewBox>("Picture2");
        const QRect first = file1()->visualItemRect(file1()->item(0));
        QTest::mouseClick(file1()->viewport(), Qt::LeftButton, {}, first.center());
        QCOMPARE(file1()->selectedFileName(), QStringLiteral("a80.csv"));
        QCOMPARE(preview->lines().value(1), QStringLiteral(" Tube potential =   80.0 [kV]"));
        QCOMPARE(form_->focusWidget(), child<QWidget>("Command1"));  // a click hands the focus to "OK"

        file1()->setFocus();
        QTest::keyClick(file1(), Qt::Key_Down);
        QCOMPARE(file1()->selectedFileName(), QStringLiteral("b150.csv"));
        QCOMPARE(preview->lines().value(1), QStringLiteral(" Tube potential =  150.0 [kV]"));
        QCOMPARE(form_->focusWidget(), static_cast<QWidget*>(file1()));  // the keys keep moving in the list
        form_->readResultFile();
        QCOMPARE(form_->headerLines().value(1), QStringLiteral(" Tube potential =  150.0 [kV]"));

        QTest::keyClick(file1(), Qt::Key_Up);
        QCOMPARE(preview->lines().value(1), QStringLiteral(" Tube potential =   80.0 [kV]"));
        sink_->answer = true;
        form_->deleteResultFile();
        QCOMPARE(sink_->questions, QStringList{" このファイルを削除してもいいですか？　\na80.csv"});
        QVERIFY(!QFile::exists(dir_.filePath("a80.csv")));
        QVERIFY(QFile::exists(dir_.filePath("b150.csv")));
    }

    // A result written into the shown folder appears without Reset; the
    // selection and the preview stay on the file the user chose.
    void newResultsAppearWhileTheViewerIsOpen() {
        writeFile(dir_, "b.csv", resultText(peakedRows(20, 5)));
        writeFile(dir_, "gone.csv", "x\r\n");
        openOn("b.csv");
        form_->previewResultFile();
        const QStringList shown = child<tessaray::PreviewBox>("Picture2")->lines();
        QCOMPARE(shown.size(), 10);

        writeFile(dir_, "a-new.csv", "other\r\n");
        QVERIFY(QFile::remove(dir_.filePath("gone.csv")));
        QTRY_COMPARE(file1()->count(), 2);
        QTRY_VERIFY(!file1()->findItems("a-new.csv", Qt::MatchExactly).isEmpty());
        QCOMPARE(file1()->item(0)->text(), QStringLiteral("a-new.csv"));
        QCOMPARE(file1()->selectedFileName(), QStringLiteral("b.csv"));
        QCOMPARE(child<tessaray::PreviewBox>("Picture2")->lines(), shown);

        // Another folder is watched instead once it is shown.
        QVERIFY(dir_.mkdir("inner"));
        child<tessaray::FolderList>("Dir1")->setPath(dir_.filePath("inner"));
        QCOMPARE(file1()->count(), 0);
        writeFile(QDir(dir_.filePath("inner")), "inside.csv", "x\r\n");
        QTRY_COMPARE(file1()->count(), 1);
    }

    void readWithoutSelectionAsksForAFile() {
        writeFile(dir_, "run.csv", resultText(peakedRows(20, 5)));
        openOn();
        form_->readResultFile();
        QCOMPARE(sink_->warnings, QStringList{"ファイルを選んで下さい"});
        QVERIFY(!child<QPushButton>("Command2")->isEnabled());
        QCOMPARE(state_->ResultRowCount, 0);
    }

    // From the keyboard: a click on a file leaves the focus on "OK", Enter
    // reads the file and moves the focus to "Spectra draw", Enter draws.
    void enterReadsThePreviewedFileAndDraws() {
        QFile::copy(FRONTEND_FIXTURES "/viewer/engine_80kV.csv", dir_.filePath("engine.csv"));
        openOn("engine.csv");
        form_->previewResultFile();
        QCOMPARE(form_->focusWidget(), child<QWidget>("Command1"));
        QTest::keyClick(form_->focusWidget(), Qt::Key_Return);
        QVERIFY(sink_->warnings.isEmpty());
        QCOMPARE(state_->ResultRowCount, 160);
        QCOMPARE(form_->focusWidget(), child<QWidget>("Command2"));
        QTest::keyClick(form_->focusWidget(), Qt::Key_Return);
        QCOMPARE(state_->AxesDrawn, 1);
    }

    // A real result file of the engine (80 kV, 160 rows).
    void readingAnEngineFileFillsTablesAndFactors() {
        QFile::copy(FRONTEND_FIXTURES "/viewer/engine_80kV.csv", dir_.filePath("engine.csv"));
        for (int i = 1; i <= tessaray::kBins; ++i) state_->TissueCoefficient[i] = 1.0 + 0.001 * i;
        openOn("engine.csv");
        state_->AxesDrawn = 1;
        form_->readResultFile();
        QVERIFY(sink_->warnings.isEmpty());
        QCOMPARE(state_->ResultRowCount, 160);
        QCOMPARE(state_->AxesDrawn, 0);
        QVERIFY(child<QPushButton>("Command2")->isEnabled());
        QCOMPARE(form_->focusWidget(), child<QWidget>("Command2"));
        QCOMPARE(form_->headerLines().size(), 11);
        for (int k = 1; k <= 160; ++k)
            for (int d = 1; d <= 6; ++d)
                QCOMPARE(state_->DepthSpectra[d][3][k], state_->DepthSpectra[d][1][k] + state_->DepthSpectra[d][2][k]);
        // Text4..Text10 carry the ratio of sums with the mask "0.000": a value
        // between the smallest and largest tissue/air ratio of the used bins.
        for (const char* name : {"Text4", "Text5", "Text6", "Text7", "Text8", "Text9", "Text10"}) {
            const QString shown = text(name);
            QVERIFY2(QRegularExpression("^1\\.\\d\\d\\d$").match(shown).hasMatch(), qPrintable(shown));
            QVERIFY(shown.toDouble() > 1.0 && shown.toDouble() < 1.16);
        }
        QVERIFY(state_->ConversionFactor[1] > 1.0 && state_->ConversionFactor[1] < 1.16);
    }

    // The worked example through the window: Text boxes show the ratio of
    // sums, the factor label the mean of ratios once the spectrum is drawn.
    void factorsAppearWithTheirMask() {
        fillCoefficients(*state_, 1.0, 1.0);
        state_->AirCoefficient[200] = 2.0;
        state_->TissueCoefficient[200] = 4.0;
        std::vector<Row> rows;
        for (int k = 1; k <= 200; ++k) {
            const double v = (k == 100 || k == 200) ? 5.0 : 0.0;
            rows.push_back(makeRow(k, v, {0, v, v, v, v, v, v}, {0, 0, 0, 0, 0, 0, 0}));
        }
        writeFile(dir_, "example.csv", resultText(rows));
        openOn("example.csv");
        form_->readResultFile();
        QVERIFY(sink_->warnings.isEmpty());
        QCOMPARE(text("Text4"), QStringLiteral("1.800"));
        QCOMPARE(text("Text10"), QStringLiteral("1.800"));
        QVERIFY(caption("Label6").isEmpty());
        form_->drawSpectra();
        QCOMPARE(caption("Label6"), QStringLiteral("1.667"));
        child<QRadioButton>("Option5")->setChecked(true);
        form_->drawSpectra();
        QCOMPARE(caption("Label25"), QStringLiteral("1.667"));
        QVERIFY(caption("Label7").isEmpty());
    }

    // A failed read shows its message and keeps the drawing switches and the
    // previous file's tables and factor texts.
    void failedReadKeepsThePreviousState() {
        writeFile(dir_, "good.csv", resultText(peakedRows(160, 40)));
        writeFile(dir_, "bad.csv", resultText(peakedRows(301, 40)));
        openOn("good.csv");
        form_->readResultFile();
        form_->drawSpectra();
        QCOMPARE(state_->AxesDrawn, 1);
        const QString factorText = text("Text5");
        QVERIFY(file1()->selectFile("bad.csv"));
        form_->readResultFile();
        QCOMPARE(sink_->warnings, QStringList{"ファイルが正しく読み込めません"});
        QCOMPARE(state_->AxesDrawn, 1);
        QVERIFY(child<QPushButton>("Command2")->isEnabled());
        QCOMPARE(state_->ResultRowCount, 160);
        QCOMPARE(text("Text5"), factorText);
    }

    void deleteAsksAndDeletesOnOk() {
        writeFile(dir_, "keep.csv", resultText(peakedRows(20, 5)));
        writeFile(dir_, "drop.csv", resultText(peakedRows(20, 5)));
        openOn("drop.csv");
        form_->previewResultFile();
        form_->readResultFile();
        form_->drawSpectra();

        sink_->answer = false;
        form_->deleteResultFile();
        // The question names the file it is about.
        QCOMPARE(sink_->questions, QStringList{" このファイルを削除してもいいですか？　\ndrop.csv"});
        QVERIFY(QFile::exists(dir_.filePath("drop.csv")));
        QCOMPARE(state_->AxesDrawn, 1);

        sink_->answer = true;
        form_->deleteResultFile();
        QVERIFY(!QFile::exists(dir_.filePath("drop.csv")));
        QCOMPARE(file1()->count(), 1);
        QCOMPARE(file1()->item(0)->text(), QStringLiteral("keep.csv"));
        QVERIFY(child<tessaray::PreviewBox>("Picture2")->lines().isEmpty());
        const QImage plot = child<tessaray::PlotCanvas>("Picture1")->image();
        QCOMPARE(plot.pixelColor(plot.width() / 2, plot.height() / 2), QColor(Qt::white));
        QCOMPARE(state_->AxesDrawn, 0);
        QVERIFY(child<QPushButton>("Command4")->isEnabled());

        // Nothing selected any more: no question, nothing deleted.
        form_->deleteResultFile();
        QCOMPARE(sink_->questions.size(), 2);
        QVERIFY(QFile::exists(dir_.filePath("keep.csv")));
    }

    // Reset and the opening state share most steps; Reset keeps the
    // magnification and the folder and clears the preview, the opening state
    // selects "1.0", keeps the preview and returns to the current folder.
    void resetAgainstOpeningState() {
        writeFile(dir_, "run.csv", resultText(peakedRows(160, 40)));
        auto prepare = [this] {
            openOn("run.csv");
            form_->previewResultFile();
            form_->readResultFile();
            child<QRadioButton>("Option12")->click();
            child<QRadioButton>("Option8")->click();
            child<QCheckBox>("Check2")->setChecked(false);
            form_->drawSpectra();
            form_->trackCursor(1000.0f, 500.0f);
            QVERIFY(child<QWidget>("Line1")->isVisibleTo(form_));
            QCOMPARE(state_->VerticalScale, 0.25);
            QCOMPARE(state_->NormalizeMode, 1);
        };
        auto checkShared = [this] {
            QVERIFY(!child<QWidget>("Line1")->isVisibleTo(form_));
            QVERIFY(!child<QWidget>("Line2")->isVisibleTo(form_));
            QVERIFY(text("Text1").isEmpty() && text("Text2").isEmpty() && text("Text3").isEmpty());
            QVERIFY(!child<QPushButton>("Command2")->isEnabled());
            QVERIFY(!child<QPushButton>("Command4")->isEnabled());
            QVERIFY(child<QCheckBox>("Check2")->isChecked());
            QCOMPARE(state_->AxesDrawn, 0);
            QVERIFY(child<QRadioButton>("Option9")->isChecked());
            QCOMPARE(state_->NormalizeMode, 0);
            QVERIFY(caption("Label6").isEmpty());
            QCOMPARE(state_->ResultRowCount, 160);  // the tables stay
        };

        prepare();
        form_->resetViewer();
        checkShared();
        QVERIFY(child<QRadioButton>("Option12")->isChecked());
        QCOMPARE(state_->VerticalScale, 0.25);
        QVERIFY(child<tessaray::PreviewBox>("Picture2")->lines().isEmpty());
        QCOMPARE(child<tessaray::FolderList>("Dir1")->path(), QDir::cleanPath(dir_.path()));

        prepare();
        form_->applyOpeningState();
        checkShared();
        QVERIFY(child<QRadioButton>("Option10")->isChecked());
        QCOMPARE(state_->VerticalScale, 1.0);
        QCOMPARE(child<tessaray::PreviewBox>("Picture2")->lines().size(), 10);
        QCOMPARE(child<tessaray::FolderList>("Dir1")->path(), QDir::cleanPath(QDir::currentPath()));
    }

    void exitAndCloseBox() {
        QSignalSpy exits(form_.data(), &Form2::exitRequested);
        QSignalSpy closes(form_.data(), &Form2::closedByUser);
        form_->show();
        child<QPushButton>("Command3")->click();
        QCOMPARE(exits.count(), 1);
        QCOMPARE(closes.count(), 0);

        state_->ResultRowCount = 42;
        form_->close();
        QCOMPARE(closes.count(), 1);
        QTRY_VERIFY(form_.isNull());  // the window deletes itself
        QCOMPARE(state_->ResultRowCount, 42);
    }
};

QTEST_MAIN(ViewerFormTest)
#include "viewer_form_test.moc"
