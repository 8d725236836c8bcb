// The condition input window: defaults, option codes, keyboard, checks and
// the run-parameter file it writes.

#include <QDate>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "input/form1.h"
#include "input_support.h"
#include "shell/ui_style.h"

using namespace tessaray;
using namespace tessaray_test;

namespace {

const QString kEmptyMessage = QStringLiteral("入力されていない項目があります");
const QString kVoltageMessage = QStringLiteral(" 管電圧が最大値を超えています ");
const QString kFieldMessage = QStringLiteral(" 照射野がファントムサイズを超えています ");
const QString kAngleMessage = QStringLiteral(" ターゲット角度は 0 より大きく 90 より小さい値にして下さい ");
const QString kLongNameMessage = QStringLiteral(" 結果保存ファイル名が長すぎます（半角 26 文字、全角 8 文字まで） ");
const QString kReplaceQuestion = QStringLiteral(" 結果ファイル「%1」はすでにあります。計算すると上書きされます。続けてもいいですか？ ");

}  // namespace

class Form1Test : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void freshWindowHasDefaults();
    void layoutFollowsTheDesign();
    void optionsSetCodes();
    void enterWalksTheFocusChain();
    void tabFollowsTheFocusOrder();
    void validation_data();
    void validation();
    void existingResultFileAsksFirst();
    void writesTheRunParameterFile_data();
    void writesTheRunParameterFile();
    void writingEnablesAndFocusesGo();
    void buttonsActOnEnterAndSpace();
    void unwritableFileEndsTheProgram();
    void exitDeletesTheFileAndEnds();
    void closeBoxDeletesTheFile();

private:
    QLineEdit* text(int i) const { return form_->findChild<QLineEdit*>(QStringLiteral("Text%1").arg(i)); }
    QRadioButton* option(int i) const { return form_->findChild<QRadioButton*>(QStringLiteral("Option%1").arg(i)); }
    QPushButton* command(int i) const { return form_->findChild<QPushButton*>(QStringLiteral("Command%1").arg(i)); }
    QString b2fPath() const { return work_->filePath(QStringLiteral("B2F.dat")); }

    std::unique_ptr<QTemporaryDir> work_;
    QString previousDir_;
    Module1 state_;
    RecordingSink messages_;
    EndRecorder ends_;
    QPointer<Form1> form_;
};

void Form1Test::init() {
    work_ = std::make_unique<QTemporaryDir>();
    QVERIFY(work_->isValid());
    previousDir_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work_->path()));
    state_ = Module1{};
    messages_.messages.clear();
    ends_.statuses.clear();
    form_ = new Form1(state_, messages_, ends_.function());
}

void Form1Test::cleanup() {
    delete form_.data();
    QDir::setCurrent(previousDir_);
    work_.reset();
}

void Form1Test::freshWindowHasDefaults() {
    const QString before = QDate::currentDate().toString(QStringLiteral("MM-dd-yyyy"));
    Form1 fresh(state_, messages_, ends_.function());
    const QString after = QDate::currentDate().toString(QStringLiteral("MM-dd-yyyy"));
    const QStringList expected = {"100", "12", "2.5", "1", "0", "20", "1000000"};
    for (int i = 1; i <= 7; ++i) QCOMPARE(fresh.findChild<QLineEdit*>(QStringLiteral("Text%1").arg(i))->text(), expected[i - 1]);
    const QString date = fresh.findChild<QLineEdit*>(QStringLiteral("Text8"))->text();
    QVERIFY2(date == before || date == after, qPrintable(date));
    QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d-\\d\\d-\\d{4}$")).match(date).hasMatch());
    QVERIFY(fresh.findChild<QRadioButton*>(QStringLiteral("Option2"))->isChecked());
    QVERIFY(!fresh.findChild<QRadioButton*>(QStringLiteral("Option1"))->isChecked());
    QVERIFY(fresh.findChild<QRadioButton*>(QStringLiteral("Option3"))->isChecked());
    QVERIFY(fresh.findChild<QRadioButton*>(QStringLiteral("Option7"))->isChecked());
    QCOMPARE(state_.FormulaCode, 2);
    QCOMPARE(state_.MaterialCode, 1);
    QCOMPARE(state_.RectificationCode, 1);
    QVERIFY(!fresh.findChild<QPushButton*>(QStringLiteral("Command2"))->isEnabled());
    QVERIFY(messages_.messages.empty());
}

void Form1Test::layoutFollowsTheDesign() {
    QCOMPARE(form_->objectName(), QStringLiteral("Form1"));
    QCOMPARE(form_->windowTitle(), QStringLiteral("X-ray spectra in the phantom"));
    QCOMPARE(form_->minimumSize(), QSize(688, 585));
    QCOMPARE(form_->maximumSize(), QSize(688, 585));
    QCOMPARE(text(1)->geometry(), twipsRect(3240, 2280, 1215, 375));
    QCOMPARE(text(8)->geometry(), twipsRect(1440, 7920, 3495, 375));
    QCOMPARE(command(3)->geometry(), twipsRect(8520, 8040, 1335, 495));
    QCOMPARE(command(3)->toolTip(), QStringLiteral(" bye "));
    const QStringList captions = {"条件設定 OK", "シミュレーション Go", "終了", "計算結果を見る"};
    for (int i = 1; i <= 4; ++i) {
        QCOMPARE(command(i)->text(), captions[i - 1]);
        QCOMPARE(command(i)->palette().color(QPalette::Button), kLightYellow);
    }
    // Option5..7 sit in Frame3 left to right as Option7, Option6, Option5.
    QCOMPARE(option(7)->parentWidget()->objectName(), QStringLiteral("Frame3"));
    QVERIFY(option(7)->x() < option(6)->x() && option(6)->x() < option(5)->x());
    QCOMPARE(option(5)->text(), QStringLiteral("単相全波"));
    auto* caption = form_->findChild<QLabel*>(QStringLiteral("Label1"));
    QCOMPARE(caption->text(), QStringLiteral("管電圧 (Max=150)"));
    QCOMPARE(caption->palette().color(QPalette::Window), kLightCyan);
    QCOMPARE(form_->findChild<QLabel*>(QStringLiteral("Label19"))->text(), QStringLiteral(" . csv"));
    QCOMPARE(form_->findChild<QLabel*>(QStringLiteral("Label24"))->palette().color(QPalette::Window), kLightYellow);
    // Fonts are pixel sizes at 96 dpi: 12 pt window font = 16 px, 14.25 pt = 19 px.
    QCOMPARE(form_->font().pixelSize(), 16);
    QCOMPARE(text(1)->font().pixelSize(), 19);
    QCOMPARE(text(1)->font().family(), QStringLiteral("Times New Roman"));
}

void Form1Test::optionsSetCodes() {
    struct Case {
        int option;
        int Module1::*code;
        int value;
    };
    const Case cases[] = {
        {1, &Module1::FormulaCode, 1},       {2, &Module1::FormulaCode, 2},       {4, &Module1::MaterialCode, 2},
        {3, &Module1::MaterialCode, 1},      {5, &Module1::RectificationCode, 3}, {6, &Module1::RectificationCode, 2},
        {7, &Module1::RectificationCode, 1},
    };
    form_->show();
    for (const Case& c : cases) {
        QTest::mouseClick(option(c.option), Qt::LeftButton);
        QVERIFY2(option(c.option)->isChecked(), qPrintable(QStringLiteral("Option%1").arg(c.option)));
        QCOMPARE(state_.*(c.code), c.value);
    }
    // Selecting from code sets the code the same way.
    option(4)->setChecked(true);
    QCOMPARE(state_.MaterialCode, 2);
}

void Form1Test::enterWalksTheFocusChain() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowActive(form_));
    QCOMPARE(QApplication::focusWidget(), text(1));
    const QStringList before = [this] {
        QStringList t;
        for (int i = 1; i <= 8; ++i) t << text(i)->text();
        return t;
    }();
    for (int i = 2; i <= 8; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), text(i));
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(QApplication::focusWidget(), command(1));
    for (int i = 1; i <= 8; ++i) QCOMPARE(text(i)->text(), before[i - 1]);
    QVERIFY(!QFile::exists(b2fPath()));  // moving the focus onto the button does not press it
}

void Form1Test::tabFollowsTheFocusOrder() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowActive(form_));
    command(2)->setEnabled(true);
    QStringList visited;
    for (int i = 0; i < 16; ++i) {
        visited << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    // An option group takes the focus on its selected option.
    const QStringList expected = {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Option2", "Option3",
                                  "Text7", "Text8", "Command1", "Command2", "Command3", "Command4", "Option7", "Picture1"};
    QCOMPARE(visited, expected);
    QCOMPARE(QApplication::focusWidget(), text(1));
    // Within a group the arrow keys move the selection and the focus.
    option(2)->setFocus();
    QTest::keyClick(option(2), Qt::Key_Up);
    QCOMPARE(QApplication::focusWidget(), option(1));
    QVERIFY(option(1)->isChecked());
    QCOMPARE(state_.FormulaCode, 1);
    text(6)->setFocus();
    QTest::keyClick(text(6), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), option(1));
}

void Form1Test::validation_data() {
    QTest::addColumn<QStringList>("entries");  // "index=text" pairs applied to the defaults
    QTest::addColumn<QString>("message");      // empty: the check passes
    QTest::addColumn<int>("box");              // the text box that gets the focus when refused
    const auto negative = [](const char* name) { return QStringLiteral(" %1に負の値は入力できません ").arg(QString::fromUtf8(name)); };
    QTest::newRow("defaults pass") << QStringList{} << QString() << 0;
    for (int i = 1; i <= 8; ++i)
        QTest::newRow(qPrintable(QStringLiteral("Text%1 empty").arg(i))) << QStringList{QStringLiteral("%1=").arg(i)} << kEmptyMessage << i;
    QTest::newRow("blanks are not empty") << QStringList{"5=  "} << QString() << 0;
    QTest::newRow("150 kV passes") << QStringList{"1=150"} << QString() << 0;
    QTest::newRow("151 kV") << QStringList{"1=151"} << kVoltageMessage << 1;
    QTest::newRow("150.01 kV") << QStringList{"1=150.01"} << kVoltageMessage << 1;
    QTest::newRow("abc reads as 0 and passes") << QStringList{"1=abc"} << QString() << 0;
    QTest::newRow("60 cm passes") << QStringList{"6=60"} << QString() << 0;
    QTest::newRow("61 cm") << QStringList{"6=61"} << kFieldMessage << 6;
    QTest::newRow("empty wins over voltage") << QStringList{"4=", "1=200"} << kEmptyMessage << 4;
    QTest::newRow("first empty box gets the focus") << QStringList{"7=", "3="} << kEmptyMessage << 3;
    QTest::newRow("voltage wins over field") << QStringList{"1=200", "6=100"} << kVoltageMessage << 1;
    // Full-width entries of a Japanese input method are read, not zeroed.
    QTest::newRow("full-width 200 kV") << QStringList{"1=２００"} << kVoltageMessage << 1;
    QTest::newRow("full-width 70 cm") << QStringList{"6=７０"} << kFieldMessage << 6;
    QTest::newRow("full-width values pass") << QStringList{"1=８０", "3=２．５", "8=試験"} << QString() << 0;
    // Values the engine would refuse, each naming its box.
    QTest::newRow("negative voltage") << QStringList{"1=-5"} << negative("管電圧") << 1;
    QTest::newRow("negative inherent filtration") << QStringList{"3=-0.5"} << negative("固有ろ過") << 3;
    QTest::newRow("negative Al, full width") << QStringList{"4=－1"} << negative("Al フィルタ") << 4;
    QTest::newRow("negative Cu") << QStringList{"5=-0.25"} << negative("Cu フィルタ") << 5;
    QTest::newRow("negative field") << QStringList{"6=-1"} << negative("照射野直径") << 6;
    QTest::newRow("negative photons") << QStringList{"7=-3"} << negative("単位面積当たりの入射光子数") << 7;
    QTest::newRow("first negative box wins") << QStringList{"7=-3", "4=-1"} << negative("Al フィルタ") << 4;
    QTest::newRow("negative angle") << QStringList{"2=-5"} << negative("ターゲット角度") << 2;
    QTest::newRow("angle 0") << QStringList{"2=0"} << kAngleMessage << 2;
    QTest::newRow("angle abc reads as 0") << QStringList{"2=abc"} << kAngleMessage << 2;
    QTest::newRow("angle 90") << QStringList{"2=90"} << kAngleMessage << 2;
    QTest::newRow("angle 0.1 passes") << QStringList{"2=0.1"} << QString() << 0;
    QTest::newRow("angle 89.9 passes") << QStringList{"2=89.9"} << QString() << 0;
    QTest::newRow("field wins over angle") << QStringList{"2=95", "6=61"} << kFieldMessage << 6;
    // The engine keeps 30 bytes of the name: 26 bytes and ".csv" fit.
    QTest::newRow("26 ASCII characters pass") << QStringList{"8=" + QString(26, u'a')} << QString() << 0;
    QTest::newRow("27 ASCII characters") << QStringList{"8=" + QString(27, u'a')} << kLongNameMessage << 8;
    QTest::newRow("8 Japanese characters pass") << QStringList{"8=照射条件試験結果"} << QString() << 0;
    QTest::newRow("9 Japanese characters") << QStringList{"8=照射条件試験結果一"} << kLongNameMessage << 8;
    QTest::newRow("blanks count") << QStringList{"8= " + QString(25, u'a') + " "} << kLongNameMessage << 8;
}

void Form1Test::validation() {
    QFETCH(QStringList, entries);
    QFETCH(QString, message);
    QFETCH(int, box);
    for (const QString& entry : entries) {
        const qsizetype eq = entry.indexOf(u'=');
        text(entry.left(eq).toInt())->setText(entry.mid(eq + 1));
    }
    command(4)->setFocus();
    QCOMPARE(form_->validateConditions(), message.isEmpty());
    if (message.isEmpty()) {
        QVERIFY(messages_.messages.empty());
        QCOMPARE(form_->focusWidget(), command(4));
        return;
    }
    QCOMPARE(int(messages_.messages.size()), 1);
    QCOMPARE(messages_.messages[0].kind, QStringLiteral("warning"));
    QCOMPARE(messages_.messages[0].text, message);
    // The offending box has the focus and its text is selected for retyping.
    QCOMPARE(form_->focusWidget(), text(box));
    QCOMPARE(text(box)->selectedText(), text(box)->text());
    // Through the button: nothing is written and "シミュレーション Go" keeps its state.
    messages_.messages.clear();
    command(1)->click();
    QCOMPARE(int(messages_.messages.size()), 1);
    QVERIFY(!QFile::exists(b2fPath()));
    QVERIFY(!command(2)->isEnabled());
    QVERIFY(ends_.statuses.empty());
}

// The default name is the date, so a second run on one day would replace the
// first: an existing result file (any letter case) is replaced only on Yes.
void Form1Test::existingResultFileAsksFirst() {
    text(8)->setText(QStringLiteral("12-10-2024"));
    QVERIFY(writeFile(work_->filePath(QStringLiteral("12-10-2024.CSV")), "earlier result\r\n"));
    messages_.askAnswer = false;
    command(1)->click();
    QCOMPARE(int(messages_.messages.size()), 1);
    QCOMPARE(messages_.messages[0].kind, QStringLiteral("ask"));
    QCOMPARE(messages_.messages[0].text, kReplaceQuestion.arg(QStringLiteral("12-10-2024.csv")));
    QVERIFY(!QFile::exists(b2fPath()));
    QVERIFY(!command(2)->isEnabled());
    QCOMPARE(form_->focusWidget(), text(8));
    QCOMPARE(text(8)->selectedText(), QStringLiteral("12-10-2024"));

    messages_.askAnswer = true;
    command(1)->click();
    QCOMPARE(int(messages_.messages.size()), 2);
    QVERIFY(readFile(b2fPath()).endsWith("12-10-2024.csv\r\n"));
    QVERIFY(command(2)->isEnabled());

    // Another name: no question.
    text(8)->setText(QStringLiteral("12-10-2024b"));
    command(1)->click();
    QCOMPARE(int(messages_.messages.size()), 2);
    QVERIFY(readFile(b2fPath()).endsWith("12-10-2024b.csv\r\n"));
}

void Form1Test::writesTheRunParameterFile_data() {
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QList<int>>("options");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("defaults with 1 mm inherent")
        << QStringList{"3=1", "8=12-10-2024"} << QList<int>{}
        << QByteArray("0100.0\r\n12.000\r\n01.000\r\n01.000\r\n00.000\r\n0020.0\r\n0001000000.\r\n02\r\n01\r\n01\r\n12-10-2024.csv\r\n");
    QTest::newRow("80 kV Birch water")
        << QStringList{"1=80", "3=1", "4=0", "5=0.1", "6=10", "8=test"} << QList<int>{1, 7, 3}
        << QByteArray("0080.0\r\n12.000\r\n01.000\r\n00.000\r\n00.100\r\n0010.0\r\n0001000000.\r\n01\r\n01\r\n01\r\ntest.csv\r\n");
    QTest::newRow("Birch, single-phase, ICRU")
        << QStringList{"8=a"} << QList<int>{1, 5, 4}
        << QByteArray("0100.0\r\n12.000\r\n02.500\r\n01.000\r\n00.000\r\n0020.0\r\n0001000000.\r\n01\r\n03\r\n02\r\na.csv\r\n");
    QTest::newRow("three-phase")
        << QStringList{"8=b"} << QList<int>{6}
        << QByteArray("0100.0\r\n12.000\r\n02.500\r\n01.000\r\n00.000\r\n0020.0\r\n0001000000.\r\n02\r\n02\r\n01\r\nb.csv\r\n");
    QTest::newRow("rounding and leading numeric part")
        << QStringList{"1=99.95", "2=12abc", "3=1 .5", "7=2.5e6", "8=run.csv"} << QList<int>{}
        << QByteArray("0100.0\r\n12.000\r\n01.500\r\n01.000\r\n00.000\r\n0020.0\r\n0002500000.\r\n02\r\n01\r\n01\r\nrun.csv.csv\r\n");
    QTest::newRow("Japanese name and blanks kept")
        << QStringList{"5=0.25", "8= 試験 run 12-10"} << QList<int>{}
        << QByteArray("0100.0\r\n12.000\r\n02.500\r\n01.000\r\n00.250\r\n0020.0\r\n0001000000.\r\n02\r\n01\r\n01\r\n")
               + QString::fromUtf8(" 試験 run 12-10.csv").toUtf8() + "\r\n";
    QTest::newRow("full-width entries")
        << QStringList{"1=８０", "2=１２", "3=１．５", "7=１０００", "8=ｒｕｎ"} << QList<int>{}
        << QByteArray("0080.0\r\n12.000\r\n01.500\r\n01.000\r\n00.000\r\n0020.0\r\n0000001000.\r\n02\r\n01\r\n01\r\n")
               + QString::fromUtf8("ｒｕｎ.csv").toUtf8() + "\r\n";
}

void Form1Test::writesTheRunParameterFile() {
    QFETCH(QStringList, entries);
    QFETCH(QList<int>, options);
    QFETCH(QByteArray, expected);
    for (const QString& entry : entries) {
        const qsizetype eq = entry.indexOf(u'=');
        text(entry.left(eq).toInt())->setText(entry.mid(eq + 1));
    }
    for (int o : options) option(o)->setChecked(true);
    QVERIFY(writeFile(b2fPath(), "an older file that is longer than the new one ....................................................\r\n"));
    command(1)->click();
    QVERIFY(messages_.messages.empty());
    QCOMPARE(readFile(b2fPath()), expected);
}

void Form1Test::writingEnablesAndFocusesGo() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowActive(form_));
    command(1)->click();
    QVERIFY(command(2)->isEnabled());
    QCOMPARE(QApplication::focusWidget(), command(2));
    // A later failed check leaves it enabled; a later success rewrites the file.
    text(1)->setText(QStringLiteral("151"));
    command(1)->click();
    QVERIFY(command(2)->isEnabled());
    QVERIFY(readFile(b2fPath()).startsWith("0100.0\r\n"));
    text(1)->setText(QStringLiteral("120"));
    command(1)->click();
    QVERIFY(readFile(b2fPath()).startsWith("0120.0\r\n"));
}

void Form1Test::buttonsActOnEnterAndSpace() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowActive(form_));
    QSignalSpy seeResults(form_.data(), &Form1::seeResultsRequested);
    command(1)->setFocus();
    QTest::keyClick(command(1), Qt::Key_Return);
    QVERIFY(QFile::exists(b2fPath()));
    command(4)->setFocus();
    QTest::keyClick(command(4), Qt::Key_Space);
    QCOMPARE(seeResults.count(), 1);
}

void Form1Test::unwritableFileEndsTheProgram() {
    // A folder in the place of the file: it cannot be replaced.
    QVERIFY(QDir(work_->path()).mkdir(QStringLiteral("B2F.dat")));
    command(1)->click();
    QCOMPARE(int(messages_.messages.size()), 1);
    QCOMPARE(messages_.messages[0].kind, QStringLiteral("fatal"));
    // Japanese first, then the file and the reason.
    QCOMPARE(messages_.messages[0].text.section(u'\n', 0, 0), QStringLiteral("条件ファイル B2F.dat を書き込めません"));
    QVERIFY2(messages_.messages[0].text.section(u'\n', 1).contains(QStringLiteral("B2F.dat: cannot create the file")),
             qPrintable(messages_.messages[0].text));
    QCOMPARE(ends_.statuses, std::vector<int>{1});
    QVERIFY(!command(2)->isEnabled());
}

void Form1Test::exitDeletesTheFileAndEnds() {
    command(1)->click();
    QVERIFY(QFile::exists(b2fPath()));
    command(3)->click();
    QVERIFY(!QFile::exists(b2fPath()));
    QCOMPARE(ends_.statuses, std::vector<int>{0});
    // With no file present it ends just the same, without a message.
    command(3)->click();
    QCOMPARE(ends_.statuses, (std::vector<int>{0, 0}));
    QVERIFY(messages_.messages.empty());
}

void Form1Test::closeBoxDeletesTheFile() {
    form_->show();
    command(1)->click();
    QVERIFY(QFile::exists(b2fPath()));
    QSignalSpy closed(form_.data(), &Form1::closedByUser);
    QVERIFY(form_->close());
    QCOMPARE(closed.count(), 1);
    QVERIFY(!QFile::exists(b2fPath()));
    QVERIFY(ends_.statuses.empty());
    // The window discards itself.
    QTRY_VERIFY(form_.isNull());
}

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
