// Moving between the windows: start, the explanation window's buttons, the
// condition window's exit and close box, the viewer's exit and close box.

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "input/form1.h"
#include "input_support.h"
#include "shell/form3.h"
#include "app/navigator.h"
#include "shell/ui_style.h"
#include "viewer/form2.h"

using namespace tessaray;
using namespace tessaray_test;

class NavigationTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void startShowsOnlyTheExplanation();
    void explanationWindowLayout();
    void cancelAndCloseBoxEndTheProgram_data();
    void cancelAndCloseBoxEndTheProgram();
    void missingTableEndsTheProgram();
    void okLoadsTheTableAndShowsForm1();
    void closingForm1RebuildsItWithDefaults();
    void viewerExitKeepsForm1Entries();
    void viewerCloseBoxDiscardsOnlyTheViewer();
    void exitFromForm1EndsTheProgram();

private:
    void startAndPressOk();
    QString b2fPath() const { return work_->filePath(QStringLiteral("B2F.dat")); }

    std::unique_ptr<QTemporaryDir> work_;
    QString previousDir_;
    Module1 state_;
    RecordingSink messages_;
    EndRecorder ends_;
    std::unique_ptr<Navigator> navigator_;
};

void NavigationTest::init() {
    work_ = std::make_unique<QTemporaryDir>();
    QVERIFY(work_->isValid());
    previousDir_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work_->path()));
    QVERIFY(writeFile(work_->filePath(QStringLiteral("Att_Coeff2023.dat")), coefficientTableText()));
    state_ = Module1{};
    messages_.messages.clear();
    ends_.statuses.clear();
    navigator_ = std::make_unique<Navigator>(state_, messages_, ends_.function());
}

void NavigationTest::cleanup() {
    navigator_.reset();
    QDir::setCurrent(previousDir_);
    work_.reset();
}

void NavigationTest::startAndPressOk() {
    navigator_->start();
    navigator_->form3()->okButton()->click();
    QVERIFY(navigator_->form1());
}

void NavigationTest::startShowsOnlyTheExplanation() {
    navigator_->start();
    QVERIFY(navigator_->form3());
    QVERIFY(navigator_->form3()->isVisible());
    QVERIFY(!navigator_->form1());
    QVERIFY(!navigator_->form2());
    QVERIFY(QTest::qWaitForWindowActive(navigator_->form3()));
    QCOMPARE(QApplication::focusWidget(), navigator_->form3()->okButton());
    QCOMPARE(state_.AirCoefficient[1], 0.0);  // nothing loaded before "OK"
}

void NavigationTest::explanationWindowLayout() {
    navigator_->start();
    Form3* form3 = navigator_->form3();
    QCOMPARE(form3->objectName(), QStringLiteral("Form3"));
    QCOMPARE(form3->windowTitle(), QStringLiteral(" Air Kerma to absorbed dose of Soft tissue conversion factors "));
    QCOMPARE(form3->minimumSize(), QSize(838, 530));
    QCOMPARE(form3->maximumSize(), QSize(838, 530));
    QCOMPARE(form3->okButton()->objectName(), QStringLiteral("Command1"));
    QCOMPARE(form3->okButton()->geometry(), twipsRect(6840, 6480, 1695, 615));
    QCOMPARE(form3->cancelButton()->text(), QStringLiteral("Cancel"));
    QCOMPARE(form3->okButton()->palette().color(QPalette::Button), kLightYellow);
    QWidget* drawing = form3->findChild<QWidget*>(QStringLiteral("Picture2"));
    QVERIFY(drawing);
    QCOMPARE(drawing->geometry(), twipsRect(480, 2400, 5415, 5295));
    // The drawing is not blank: it paints well over a few colours.
    const QImage image = drawing->grab().toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
    QVERIFY2(colours.size() > 20, qPrintable(QString::number(colours.size())));
    for (const char* name : {"Label23", "Label21", "Label7", "Label1", "Label22", "Label30", "Picture1", "Picture3"})
        QVERIFY2(form3->findChild<QWidget*>(QString::fromLatin1(name)), name);
    // Centred on the screen.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(qAbs(form3->frameGeometry().center().x() - screen.center().x()) <= 2);
}

void NavigationTest::cancelAndCloseBoxEndTheProgram_data() {
    QTest::addColumn<bool>("closeBox");
    QTest::addColumn<bool>("viewerVisited");
    QTest::newRow("Cancel") << false << false;
    QTest::newRow("close box") << true << false;
    QTest::newRow("Cancel with the viewer hidden") << false << true;
}

void NavigationTest::cancelAndCloseBoxEndTheProgram() {
    QFETCH(bool, closeBox);
    QFETCH(bool, viewerVisited);
    if (viewerVisited) {
        // Form1 -> viewer -> Form1 -> close Form1: back on Form3 with the viewer hidden.
        startAndPressOk();
        navigator_->form1()->findChild<QPushButton*>(QStringLiteral("Command4"))->click();
        QVERIFY(navigator_->form2());
        emit navigator_->form2()->exitRequested();
        QVERIFY(navigator_->form1()->close());
        QVERIFY(navigator_->form3()->isVisible());
        QVERIFY(navigator_->form2() && !navigator_->form2()->isVisible());
    } else {
        navigator_->start();
    }
    QVERIFY(writeFile(b2fPath(), "0100.0\r\n"));
    if (closeBox) navigator_->form3()->close();
    else navigator_->form3()->cancelButton()->click();
    QCOMPARE(ends_.statuses, std::vector<int>{0});
    QVERIFY(QFile::exists(b2fPath()));  // "B2F.dat" is left in place on this path
    QVERIFY(messages_.messages.empty());
}

void NavigationTest::missingTableEndsTheProgram() {
    QVERIFY(QFile::remove(work_->filePath(QStringLiteral("Att_Coeff2023.dat"))));
    navigator_->start();
    navigator_->form3()->okButton()->click();
    QCOMPARE(int(messages_.messages.size()), 1);
    QCOMPARE(messages_.messages[0].kind, QStringLiteral("fatal"));
    QCOMPARE(messages_.messages[0].text.section(u'\n', 0, 0), QStringLiteral("係数ファイル Att_coeff2023.dat が見つかりません"));
    QVERIFY2(messages_.messages[0].text.section(u'\n', 1).contains(QStringLiteral("Att_coeff2023.dat: file not found")),
             qPrintable(messages_.messages[0].text));
    QCOMPARE(ends_.statuses, std::vector<int>{1});
    QVERIFY(!navigator_->form1());
}

void NavigationTest::okLoadsTheTableAndShowsForm1() {
    startAndPressOk();
    QVERIFY(navigator_->form1()->isVisible());
    QVERIFY(!navigator_->form3()->isVisible());
    QCOMPARE(state_.AirCoefficient[160], tableValue(160, 5));
    QCOMPARE(state_.TissueCoefficient[300], tableValue(300, 6));
    QVERIFY(messages_.messages.empty());
    QVERIFY(ends_.statuses.empty());
}

void NavigationTest::closingForm1RebuildsItWithDefaults() {
    startAndPressOk();
    QPointer<Form1> first = navigator_->form1();
    first->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QStringLiteral("80"));
    first->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    QVERIFY(QFile::exists(b2fPath()));
    QVERIFY(first->close());
    QVERIFY(!QFile::exists(b2fPath()));
    QVERIFY(navigator_->form3()->isVisible());
    QVERIFY(!navigator_->form1());
    // "OK" at once, before the old window is gone: a new one with the defaults.
    state_.AirCoefficient[160] = 0;
    navigator_->form3()->okButton()->click();
    QVERIFY(navigator_->form1());
    QVERIFY(navigator_->form1() != first.data());
    QCOMPARE(navigator_->form1()->findChild<QLineEdit*>(QStringLiteral("Text1"))->text(), QStringLiteral("100"));
    QVERIFY(!navigator_->form1()->findChild<QPushButton*>(QStringLiteral("Command2"))->isEnabled());
    QCOMPARE(state_.AirCoefficient[160], tableValue(160, 5));  // reloaded
    QTRY_VERIFY(first.isNull());
    QVERIFY(ends_.statuses.empty());
}

void NavigationTest::viewerExitKeepsForm1Entries() {
    startAndPressOk();
    Form1* form1 = navigator_->form1();
    form1->findChild<QLineEdit*>(QStringLiteral("Text2"))->setText(QStringLiteral("17"));
    form1->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    form1->findChild<QPushButton*>(QStringLiteral("Command4"))->click();
    Form2* viewer = navigator_->form2();
    QVERIFY(viewer);
    QVERIFY(viewer->isVisible());
    QVERIFY(!form1->isVisible());
    emit viewer->exitRequested();
    QVERIFY(form1->isVisible());
    QVERIFY(!viewer->isVisible());
    QCOMPARE(navigator_->form1(), form1);
    QCOMPARE(form1->findChild<QLineEdit*>(QStringLiteral("Text2"))->text(), QStringLiteral("17"));
    QVERIFY(form1->findChild<QPushButton*>(QStringLiteral("Command2"))->isEnabled());
    QVERIFY(QFile::exists(b2fPath()));  // survives the visit to the viewer
    // Opening again reuses the hidden viewer.
    form1->findChild<QPushButton*>(QStringLiteral("Command4"))->click();
    QCOMPARE(navigator_->form2(), viewer);
    QVERIFY(viewer->isVisible());
}

void NavigationTest::viewerCloseBoxDiscardsOnlyTheViewer() {
    startAndPressOk();
    Form1* form1 = navigator_->form1();
    form1->findChild<QLineEdit*>(QStringLiteral("Text2"))->setText(QStringLiteral("17"));
    form1->findChild<QPushButton*>(QStringLiteral("Command4"))->click();
    QPointer<Form2> viewer = navigator_->form2();
    QVERIFY(viewer->close());
    QVERIFY(form1->isVisible());
    QVERIFY(!navigator_->form2());
    QTRY_VERIFY(viewer.isNull());
    QCOMPARE(form1->findChild<QLineEdit*>(QStringLiteral("Text2"))->text(), QStringLiteral("17"));
    form1->findChild<QPushButton*>(QStringLiteral("Command4"))->click();
    QVERIFY(navigator_->form2());
    QVERIFY(navigator_->form2()->isVisible());
}

void NavigationTest::exitFromForm1EndsTheProgram() {
    startAndPressOk();
    navigator_->form1()->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    QVERIFY(QFile::exists(b2fPath()));
    navigator_->form1()->findChild<QPushButton*>(QStringLiteral("Command3"))->click();
    QVERIFY(!QFile::exists(b2fPath()));
    QCOMPARE(ends_.statuses, std::vector<int>{0});
}

QTEST_MAIN(NavigationTest)
#include "navigation_test.moc"
