#include "input/form1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDate>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "input/engine_launch.h"
#include "shell/artwork.h"
#include "shell/number_format.h"
#include "shell/ui_style.h"

namespace tessaray {

namespace {

enum class LabelStyle { Caption, Value, Plain };

QLabel* label(QWidget* parent, const char* name, const QRect& geometry, const QString& text, LabelStyle style,
              const QFont& font, Qt::Alignment alignment = Qt::AlignCenter) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(geometry);
    l->setFont(font);
    l->setAlignment(alignment);
    setTextColour(l, Qt::black);
    if (style != LabelStyle::Plain) {
        setBackground(l, style == LabelStyle::Caption ? kLightCyan : kLightYellow);
        l->setFrameShape(QFrame::Box);
        l->setFrameShadow(QFrame::Plain);
        l->setLineWidth(1);
    }
    return l;
}

QPushButton* yellowButton(QWidget* parent, const char* name, const QRect& geometry, const QString& caption) {
    return designButton(parent, name, geometry, caption, designFont(kMeiryo, 14.25), kLightYellow);
}

QGroupBox* frame(QWidget* parent, const char* name, const QRect& geometry, const QString& caption, const QFont& font) {
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(geometry);
    box->setFont(font);
    setTextColour(box, kBlue);
    return box;
}

QRadioButton* option(QGroupBox* parent, const char* name, int left, int top, int width, int height,
                     const QString& text, const QFont& font) {
    auto* button = new QRadioButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(twipsRect(left, top, width, height));
    button->setFont(font);
    setTextColour(button, Qt::black);
    return button;
}

// The boxes read as numbers, by the name a message gives them.
struct NumericBox {
    int index;
    const char* name;
};
constexpr NumericBox kNumericBoxes[] = {
    {1, "管電圧"},      {2, "ターゲット角度"}, {3, "固有ろ過"},           {4, "Al フィルタ"},
    {5, "Cu フィルタ"}, {6, "照射野直径"},     {7, "単位面積当たりの入射光子数"},
};

// The engine keeps the first 30 bytes of the result file name; the name is
// written in UTF-8, three bytes for a Japanese character.
constexpr int kResultNameBytes = 30;
const QString kResultSuffix = QStringLiteral(".csv");

const QString kEmptyMessage = QStringLiteral("入力されていない項目があります");
const QString kVoltageMessage = QStringLiteral(" 管電圧が最大値を超えています ");
const QString kFieldMessage = QStringLiteral(" 照射野がファントムサイズを超えています ");
const QString kNegativeMessage = QStringLiteral(" %1に負の値は入力できません ");
const QString kAngleMessage = QStringLiteral(" ターゲット角度は 0 より大きく 90 より小さい値にして下さい ");
const QString kLongNameMessage =
    QStringLiteral(" 結果保存ファイル名が長すぎます（半角 %1 文字、全角 %2 文字まで） ");
const QString kReplaceQuestion =
    QStringLiteral(" 結果ファイル「%1」はすでにあります。計算すると上書きされます。続けてもいいですか？ ");

// Whether the working folder holds an entry of that name, letters compared
// without regard to case as the engine names its files.
bool existsIgnoringCase(const QDir& folder, const QString& name) {
    const QStringList entries = folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}

}  // namespace

Form1::Form1(Module1& state, MessageSink& messages, EndProgram endProgram, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      state_(state), messages_(messages), endProgram_(std::move(endProgram)) {
    setObjectName(QStringLiteral("Form1"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("X-ray spectra in the phantom"));
    setWindowIcon(artworkIcon(QStringLiteral("form1_icon")));
    setFixedSize(twips(10320), twips(8775));
    const QFont windowFont = designFont(kMeiryo, 12);
    setFont(windowFont);

    // Heading.
    auto* heading = label(this, "Label22", twipsRect(360, 120, 7995, 465),
                          QStringLiteral("散乱線を含むＸ線の 空気カーマ・物質吸収線量変換係数"), LabelStyle::Plain,
                          designFont(kMeiryo, 15.75));
    setTextColour(heading, kBlue);
    label(this, "Label7", twipsRect(1560, 840, 4875, 420), QStringLiteral("以下の照射条件などを設定して下さい"),
          LabelStyle::Plain, designFont(kMeiryo, 14.25));
    auto* picture1 = new QLabel(this);
    picture1->setObjectName(QStringLiteral("Picture1"));
    picture1->setPixmap(artworkPixmap(QStringLiteral("tessaray"), 32));
    picture1->setGeometry(twipsRect(7080, 840, 480, 480));
    picture1->setFocusPolicy(Qt::TabFocus);

    // Numeric inputs: caption, text box, unit.
    const QFont timesInput = designFont(kTimes, 14.25);
    const QFont maru12 = designFont(kMaruGothic, 12);
    struct Row {
        int top;
        const char* caption;
        const char* text;
        const char* unitName;
        const char* captionText;
        const char* unitText;
        QFont captionFont;
    };
    const Row rows[] = {
        {2280, "Label1", "Text1", "Label8", "管電圧 (Max=150)", "kV", windowFont},
        {2640, "Label2", "Text2", "Label9", "ターゲット角度", "degree", windowFont},
        {3000, "Label3", "Text3", "Label10", "固有ろ過", "mm Al eq.", windowFont},
        {3360, "Label4", "Text4", "Label11", "Al フィルタ", "mm", maru12},
        {3720, "Label5", "Text5", "Label12", "Cu フィルタ", "mm", maru12},
        {4080, "Label6", "Text6", "Label13", "照射野直径（円形照射野）", "cm", designFont(kMeiryo, 11.25)},
    };
    auto makeText = [this](int index, const QRect& geometry, const QFont& font) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("Text%1").arg(index));
        edit->setGeometry(geometry);
        edit->setFont(font);
        edit->setAlignment(Qt::AlignCenter);
        edit->setTextMargins(0, 0, 0, 0);
        edit->installEventFilter(this);
        text_[index] = edit;
    };
    for (int i = 0; i < 6; ++i) {
        const Row& row = rows[i];
        label(this, row.caption, twipsRect(360, row.top, 2895, 375), QString::fromUtf8(row.captionText),
              LabelStyle::Caption, row.captionFont);
        makeText(i + 1, twipsRect(3240, row.top, 1215, 375), timesInput);
        label(this, row.unitName, twipsRect(4440, row.top, 1335, 375), QString::fromUtf8(row.unitText),
              LabelStyle::Caption, timesInput);
    }

    // Fixed geometry of the phantom and detectors (information only).
    const QFont maru1125 = designFont(kMaruGothic, 11.25);
    label(this, "Label14", twipsRect(360, 4560, 2895, 360), QStringLiteral("ファントムサイズ"), LabelStyle::Caption, maru1125);
    label(this, "Label24", twipsRect(3240, 4560, 2535, 360), QStringLiteral("60 cmφ× 30 cm厚"), LabelStyle::Value, maru1125);
    label(this, "Label15", twipsRect(360, 4920, 2895, 360), QStringLiteral("焦点 - 表面間距離"), LabelStyle::Caption, maru1125);
    label(this, "Label25", twipsRect(3240, 4920, 2535, 360), QStringLiteral("70 cm 一定"), LabelStyle::Value, windowFont);
    label(this, "Label21", twipsRect(360, 5400, 2895, 360), QStringLiteral("検出器 (カウンター)"), LabelStyle::Caption, maru1125);
    label(this, "Label23", twipsRect(3240, 5400, 2535, 360), QStringLiteral("1 cmφの球面"), LabelStyle::Value, maru1125);
    label(this, "Label28", twipsRect(360, 5760, 2895, 360), QStringLiteral("検出器の深さ"), LabelStyle::Caption, maru1125);
    label(this, "Label29", twipsRect(3240, 5760, 2535, 360), QStringLiteral("0, 2, 5, 10, 15, 20 cm"), LabelStyle::Value,
          designFont(kTimes, 12));
    auto* monteCarlo = label(this, "Label26", twipsRect(360, 6240, 3375, 360), QStringLiteral("モンテカルロシミュレーション"),
                             LabelStyle::Plain, windowFont);
    setTextColour(monteCarlo, kBlue);

    // Photons and result file.
    label(this, "Label16", twipsRect(360, 6720, 3855, 375), QStringLiteral("単位面積当たりの入射光子数"), LabelStyle::Caption, windowFont);
    makeText(7, twipsRect(1440, 7080, 2535, 375), timesInput);
    label(this, "Label17", twipsRect(3960, 7080, 1815, 375), QStringLiteral("photons/cm"), LabelStyle::Caption, timesInput);
    auto* superscript = label(this, "Label20", twipsRect(5550, 7080, 135, 255), QStringLiteral("2"), LabelStyle::Plain,
                              designFont(kTimes, 9));
    superscript->raise();
    label(this, "Label18", twipsRect(360, 7560, 3855, 375), QStringLiteral("結果保存ファイル名"), LabelStyle::Caption, windowFont);
    makeText(8, twipsRect(1440, 7920, 3495, 375), designFont(kMsGothic, 12));
    label(this, "Label19", twipsRect(4920, 7920, 795, 375), QStringLiteral(" . csv"), LabelStyle::Caption, timesInput,
          Qt::AlignLeft | Qt::AlignVCenter);
    label(this, "Label27", twipsRect(2400, 8280, 1815, 345), QStringLiteral("拡張子なしで入力"), LabelStyle::Plain,
          designFont(kMeiryo, 11.25));

    // Option groups.
    QGroupBox* frame3 = frame(this, "Frame3", twipsRect(360, 1320, 4815, 735), QStringLiteral("高電圧整流方式"),
                              designFont(kMeiryo, 11.25));
    option_[7] = option(frame3, "Option7", 240, 360, 1095, 255, QStringLiteral("定電圧"), windowFont);
    option_[6] = option(frame3, "Option6", 1440, 360, 1815, 255, QStringLiteral("三相12ピーク"), windowFont);
    option_[5] = option(frame3, "Option5", 3360, 360, 1215, 255, QStringLiteral("単相全波"), windowFont);
    QGroupBox* frame1 = frame(this, "Frame1", twipsRect(6480, 2280, 3375, 1335), QStringLiteral("Ｘ線スペクトル近似計算式"), windowFont);
    option_[1] = option(frame1, "Option1", 360, 480, 2415, 255, QStringLiteral("Birch's formula"), timesInput);
    option_[2] = option(frame1, "Option2", 360, 840, 2535, 255, QStringLiteral("Tucker's formula"), timesInput);
    QGroupBox* frame2 = frame(this, "Frame2", twipsRect(6480, 3840, 3375, 1335), QStringLiteral("ファントム材質"), windowFont);
    option_[3] = option(frame2, "Option3", 240, 480, 1095, 255, QStringLiteral("水"), windowFont);
    option_[4] = option(frame2, "Option4", 240, 840, 2175, 255, QStringLiteral("軟部組織 (ICRU)"), windowFont);

    // Selecting an option, by click or from code, sets its code.
    const struct {
        int option;
        int Module1::*code;
        int value;
    } codes[] = {
        {1, &Module1::FormulaCode, 1},       {2, &Module1::FormulaCode, 2},       {3, &Module1::MaterialCode, 1},
        {4, &Module1::MaterialCode, 2},      {7, &Module1::RectificationCode, 1}, {6, &Module1::RectificationCode, 2},
        {5, &Module1::RectificationCode, 3},
    };
    for (const auto& c : codes) {
        int Module1::*code = c.code;
        const int value = c.value;
        connect(option_[c.option], &QRadioButton::toggled, this, [this, code, value](bool checked) {
            if (checked) state_.*code = value;
        });
    }
    // The Tab key enters an option group on its selected option only; the
    // arrow keys move within the group.
    for (int i = 1; i <= 7; ++i) {
        QRadioButton* button = option_[i];
        button->setFocusPolicy(Qt::ClickFocus);
        connect(button, &QRadioButton::toggled, button, [button](bool checked) {
            button->setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
        });
    }
    // The window's own design selects Birch; loading selects Tucker.
    option_[1]->setChecked(true);

    // Buttons.
    command1_ = yellowButton(this, "Command1", twipsRect(6480, 5400, 3375, 615), QStringLiteral("条件設定 OK"));
    command2_ = yellowButton(this, "Command2", twipsRect(6480, 6240, 3375, 615), QStringLiteral("シミュレーション Go"));
    command4_ = yellowButton(this, "Command4", twipsRect(6480, 7080, 3375, 615), QStringLiteral("計算結果を見る"));
    command3_ = yellowButton(this, "Command3", twipsRect(8520, 8040, 1335, 495), QStringLiteral("終了"));
    command3_->setToolTip(QStringLiteral(" bye "));
    connect(command1_, &QPushButton::clicked, this, &Form1::writeRunParameters);
    connect(command2_, &QPushButton::clicked, this, &Form1::launchEngine);
    connect(command3_, &QPushButton::clicked, this, &Form1::exitProgram);
    connect(command4_, &QPushButton::clicked, this, &Form1::seeResultsRequested);

    // Focus order.
    QList<QWidget*> order = {text_[1], text_[2], text_[3], text_[4], text_[5], text_[6],
                             option_[1], option_[2], option_[3], option_[4], text_[7], text_[8],
                             command1_, command2_, command3_, command4_, option_[7], option_[6], option_[5], picture1};
    for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

    setDefaults();
}

void Form1::setDefaults() {
    text_[1]->setText(QStringLiteral("100"));
    text_[2]->setText(QStringLiteral("12"));
    text_[3]->setText(QStringLiteral("2.5"));
    text_[4]->setText(QStringLiteral("1"));
    text_[5]->setText(QStringLiteral("0"));
    text_[6]->setText(QStringLiteral("20"));
    text_[7]->setText(QStringLiteral("1000000"));
    // Month-day-year, whatever the user's date settings.
    text_[8]->setText(QDate::currentDate().toString(QStringLiteral("MM-dd-yyyy")));
    option_[2]->setChecked(true);
    option_[3]->setChecked(true);
    option_[7]->setChecked(true);
    command2_->setEnabled(false);
}

void Form1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Text1 has the focus when the window has just been created.
    if (!focusedOnce_) {
        focusedOnce_ = true;
        text_[1]->setFocus(Qt::OtherFocusReason);
    }
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            for (int i = 1; i <= 8; ++i) {
                if (watched != text_[i]) continue;
                QWidget* next = i < 8 ? static_cast<QWidget*>(text_[i + 1]) : command1_;
                next->setFocus(Qt::OtherFocusReason);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool Form1::validateConditions() {
    for (int i = 1; i <= 8; ++i)
        if (text_[i]->text().isEmpty()) return refuse(i, kEmptyMessage);
    if (readNumber(text_[1]->text()) > 150) return refuse(1, kVoltageMessage);
    if (readNumber(text_[6]->text()) > 60) return refuse(6, kFieldMessage);
    for (const NumericBox& box : kNumericBoxes)
        if (readNumber(text_[box.index]->text()) < 0)
            return refuse(box.index, kNegativeMessage.arg(QString::fromUtf8(box.name)));
    const double angle = readNumber(text_[2]->text());
    if (!(angle > 0 && angle < 90)) return refuse(2, kAngleMessage);
    const int nameBytes = kResultNameBytes - static_cast<int>(kResultSuffix.size());
    if ((text_[8]->text() + kResultSuffix).toUtf8().size() > kResultNameBytes)
        return refuse(8, kLongNameMessage.arg(nameBytes).arg(nameBytes / 3));
    return true;
}

bool Form1::refuse(int box, const QString& message) {
    messages_.warning(this, message);
    text_[box]->setFocus(Qt::OtherFocusReason);
    text_[box]->selectAll();
    return false;
}

bool Form1::resultFileMayBeReplaced() {
    const QString name = text_[8]->text() + kResultSuffix;
    if (!existsIgnoringCase(QDir::current(), name)) return true;
    if (messages_.ask(this, kReplaceQuestion.arg(name))) return true;
    text_[8]->setFocus(Qt::OtherFocusReason);
    text_[8]->selectAll();
    return false;
}

RunConditions Form1::currentConditions() const {
    RunConditions c;
    c.tubePotential = readNumber(text_[1]->text());
    c.targetAngle = readNumber(text_[2]->text());
    c.inherentFiltration = readNumber(text_[3]->text());
    c.aluminiumFilter = readNumber(text_[4]->text());
    c.copperFilter = readNumber(text_[5]->text());
    c.fieldDiameter = readNumber(text_[6]->text());
    c.incidentFluence = readNumber(text_[7]->text());
    c.formulaCode = state_.FormulaCode;
    c.rectificationCode = state_.RectificationCode;
    c.materialCode = state_.MaterialCode;
    c.resultFileName = text_[8]->text() + kResultSuffix;
    return c;
}

void Form1::writeRunParameters() {
    if (!validateConditions() || !resultFileMayBeReplaced()) return;
    QString error;
    if (!saveRunParameterFile(QDir::current(), currentConditions(), &error)) {
        messages_.fatal(this, error);
        endProgram_(1);
        return;
    }
    QCoreApplication::processEvents();
    command2_->setEnabled(true);
    command2_->setFocus(Qt::OtherFocusReason);
}

void Form1::launchEngine() {
    QString error;
    if (!startEngine(&error)) {
        messages_.fatal(this, error);
        endProgram_(1);
        return;
    }
    // The focus goes to a harmless button before Go is disabled: left to
    // itself it would move on to "終了", where an Enter meant for the
    // engine's terminal would end the program.
    command4_->setFocus(Qt::OtherFocusReason);
    command2_->setEnabled(false);
}

void Form1::exitProgram() {
    deleteRunParameterFile(QDir::current());
    endProgram_(0);
}

void Form1::closeEvent(QCloseEvent* event) {
    deleteRunParameterFile(QDir::current());
    event->accept();
    emit closedByUser();
}

}  // namespace tessaray
