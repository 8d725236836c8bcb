#include "input/form1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDate>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <utility>

#include "input/engine_launch.h"
#include "shell/artwork.h"
#include "shell/control_table.h"
#include "shell/number_format.h"
#include "shell/ui_style.h"

namespace tessaray {

namespace {

// Rows of the window's table by the styles of the design: a caption label is
// light cyan, a value label light yellow, both boxed with centred text.
constexpr ControlSpec captionLabel(const char* name, int left, int top, int width, int height, const char* caption,
                                   Face face, double points) {
    return {.name = name, .kind = ControlKind::Label, .left = left, .top = top, .width = width, .height = height,
            .face = face, .points = points, .caption = caption, .text = Paint::Black, .background = Paint::LightCyan,
            .border = true, .alignment = Qt::AlignCenter};
}
constexpr ControlSpec valueLabel(const char* name, int left, int top, int width, int height, const char* caption,
                                 Face face, double points) {
    ControlSpec row = captionLabel(name, left, top, width, height, caption, face, points);
    row.background = Paint::LightYellow;
    return row;
}
constexpr ControlSpec plainLabel(const char* name, int left, int top, int width, int height, const char* caption,
                                 Face face, double points, Paint text = Paint::Black) {
    return {.name = name, .kind = ControlKind::Label, .left = left, .top = top, .width = width, .height = height,
            .face = face, .points = points, .caption = caption, .text = text, .alignment = Qt::AlignCenter};
}
constexpr ControlSpec entryBox(const char* name, int left, int top, int width, int height, Face face, double points) {
    return {.name = name, .kind = ControlKind::TextBox, .left = left, .top = top, .width = width, .height = height,
            .face = face, .points = points};
}
constexpr ControlSpec frame(const char* name, int left, int top, int width, int height, const char* caption,
                            double points) {
    return {.name = name, .kind = ControlKind::Frame, .left = left, .top = top, .width = width, .height = height,
            .face = Face::Meiryo, .points = points, .caption = caption, .text = Paint::Blue};
}
constexpr ControlSpec option(const char* name, const char* frameName, int left, int top, int width, int height,
                             const char* caption, Face face, double points) {
    return {.name = name, .kind = ControlKind::Option, .left = left, .top = top, .width = width, .height = height,
            .face = face, .points = points, .caption = caption, .parent = frameName, .text = Paint::Black};
}
constexpr ControlSpec button(const char* name, int left, int top, int width, int height, const char* caption,
                             const char* toolTip = nullptr) {
    return {.name = name, .kind = ControlKind::Button, .left = left, .top = top, .width = width, .height = height,
            .face = Face::Meiryo, .points = 14.25, .caption = caption, .background = Paint::LightYellow,
            .toolTip = toolTip};
}

// Form1 as designed, in creation order. The window font is "メイリオ" 12 pt.
constexpr ControlSpec kForm1Controls[] = {
    // Heading.
    plainLabel("Label22", 360, 120, 7995, 465, "散乱線を含むＸ線の 空気カーマ・物質吸収線量変換係数", Face::Meiryo, 15.75,
               Paint::Blue),
    plainLabel("Label7", 1560, 840, 4875, 420, "以下の照射条件などを設定して下さい", Face::Meiryo, 14.25),
    {.name = "Picture1", .kind = ControlKind::Picture, .left = 7080, .top = 840, .width = 480, .height = 480,
     .caption = "tessaray"},
    // Numeric inputs: caption, text box, unit.
    captionLabel("Label1", 360, 2280, 2895, 375, "管電圧 (Max=150)", Face::Meiryo, 12),
    entryBox("Text1", 3240, 2280, 1215, 375, Face::Times, 14.25),
    captionLabel("Label8", 4440, 2280, 1335, 375, "kV", Face::Times, 14.25),
    captionLabel("Label2", 360, 2640, 2895, 375, "ターゲット角度", Face::Meiryo, 12),
    entryBox("Text2", 3240, 2640, 1215, 375, Face::Times, 14.25),
    captionLabel("Label9", 4440, 2640, 1335, 375, "degree", Face::Times, 14.25),
    captionLabel("Label3", 360, 3000, 2895, 375, "固有ろ過", Face::Meiryo, 12),
    entryBox("Text3", 3240, 3000, 1215, 375, Face::Times, 14.25),
    captionLabel("Label10", 4440, 3000, 1335, 375, "mm Al eq.", Face::Times, 14.25),
    captionLabel("Label4", 360, 3360, 2895, 375, "Al フィルタ", Face::MaruGothic, 12),
    entryBox("Text4", 3240, 3360, 1215, 375, Face::Times, 14.25),
    captionLabel("Label11", 4440, 3360, 1335, 375, "mm", Face::Times, 14.25),
    captionLabel("Label5", 360, 3720, 2895, 375, "Cu フィルタ", Face::MaruGothic, 12),
    entryBox("Text5", 3240, 3720, 1215, 375, Face::Times, 14.25),
    captionLabel("Label12", 4440, 3720, 1335, 375, "mm", Face::Times, 14.25),
    captionLabel("Label6", 360, 4080, 2895, 375, "照射野直径（円形照射野）", Face::Meiryo, 11.25),
    entryBox("Text6", 3240, 4080, 1215, 375, Face::Times, 14.25),
    captionLabel("Label13", 4440, 4080, 1335, 375, "cm", Face::Times, 14.25),
    // Fixed geometry of the phantom and detectors (information only).
    captionLabel("Label14", 360, 4560, 2895, 360, "ファントムサイズ", Face::MaruGothic, 11.25),
    valueLabel("Label24", 3240, 4560, 2535, 360, "60 cmφ× 30 cm厚", Face::MaruGothic, 11.25),
    captionLabel("Label15", 360, 4920, 2895, 360, "焦点 - 表面間距離", Face::MaruGothic, 11.25),
    valueLabel("Label25", 3240, 4920, 2535, 360, "70 cm 一定", Face::Meiryo, 12),
    captionLabel("Label21", 360, 5400, 2895, 360, "検出器 (カウンター)", Face::MaruGothic, 11.25),
    valueLabel("Label23", 3240, 5400, 2535, 360, "1 cmφの球面", Face::MaruGothic, 11.25),
    captionLabel("Label28", 360, 5760, 2895, 360, "検出器の深さ", Face::MaruGothic, 11.25),
    valueLabel("Label29", 3240, 5760, 2535, 360, "0, 2, 5, 10, 15, 20 cm", Face::Times, 12),
    plainLabel("Label26", 360, 6240, 3375, 360, "モンテカルロシミュレーション", Face::Meiryo, 12, Paint::Blue),
    // Photons and result file.
    captionLabel("Label16", 360, 6720, 3855, 375, "単位面積当たりの入射光子数", Face::Meiryo, 12),
    entryBox("Text7", 1440, 7080, 2535, 375, Face::Times, 14.25),
    captionLabel("Label17", 3960, 7080, 1815, 375, "photons/cm", Face::Times, 14.25),
    plainLabel("Label20", 5550, 7080, 135, 255, "2", Face::Times, 9),
    captionLabel("Label18", 360, 7560, 3855, 375, "結果保存ファイル名", Face::Meiryo, 12),
    entryBox("Text8", 1440, 7920, 3495, 375, Face::MsGothic, 12),
    {.name = "Label19", .kind = ControlKind::Label, .left = 4920, .top = 7920, .width = 795, .height = 375,
     .face = Face::Times, .points = 14.25, .caption = " . csv", .text = Paint::Black, .background = Paint::LightCyan,
     .border = true, .alignment = Qt::AlignLeft | Qt::AlignVCenter},
    plainLabel("Label27", 2400, 8280, 1815, 345, "拡張子なしで入力", Face::Meiryo, 11.25),
    // Option groups.
    frame("Frame3", 360, 1320, 4815, 735, "高電圧整流方式", 11.25),
    option("Option7", "Frame3", 240, 360, 1095, 255, "定電圧", Face::Meiryo, 12),
    option("Option6", "Frame3", 1440, 360, 1815, 255, "三相12ピーク", Face::Meiryo, 12),
    option("Option5", "Frame3", 3360, 360, 1215, 255, "単相全波", Face::Meiryo, 12),
    frame("Frame1", 6480, 2280, 3375, 1335, "Ｘ線スペクトル近似計算式", 12),
    option("Option1", "Frame1", 360, 480, 2415, 255, "Birch's formula", Face::Times, 14.25),
    option("Option2", "Frame1", 360, 840, 2535, 255, "Tucker's formula", Face::Times, 14.25),
    frame("Frame2", 6480, 3840, 3375, 1335, "ファントム材質", 12),
    option("Option3", "Frame2", 240, 480, 1095, 255, "水", Face::Meiryo, 12),
    option("Option4", "Frame2", 240, 840, 2175, 255, "軟部組織 (ICRU)", Face::Meiryo, 12),
    // Buttons.
    button("Command1", 6480, 5400, 3375, 615, "条件設定 OK"),
    button("Command2", 6480, 6240, 3375, 615, "シミュレーション Go"),
    button("Command4", 6480, 7080, 3375, 615, "計算結果を見る"),
    button("Command3", 8520, 8040, 1335, 495, "終了", " bye "),
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
    setFont(designFont(kMeiryo, 12));

    const DesignedControls controls = buildControls(this, kForm1Controls);
    tubeVoltageBox_ = controls.get<QLineEdit>("Text1");
    targetAngleBox_ = controls.get<QLineEdit>("Text2");
    inherentFiltrationBox_ = controls.get<QLineEdit>("Text3");
    aluminiumFilterBox_ = controls.get<QLineEdit>("Text4");
    copperFilterBox_ = controls.get<QLineEdit>("Text5");
    fieldDiameterBox_ = controls.get<QLineEdit>("Text6");
    photonsBox_ = controls.get<QLineEdit>("Text7");
    resultNameBox_ = controls.get<QLineEdit>("Text8");
    birchOption_ = controls.get<QRadioButton>("Option1");
    tuckerOption_ = controls.get<QRadioButton>("Option2");
    waterOption_ = controls.get<QRadioButton>("Option3");
    softTissueOption_ = controls.get<QRadioButton>("Option4");
    singlePhaseOption_ = controls.get<QRadioButton>("Option5");
    threePhaseOption_ = controls.get<QRadioButton>("Option6");
    constantPotentialOption_ = controls.get<QRadioButton>("Option7");
    writeButton_ = controls.get<QPushButton>("Command1");
    goButton_ = controls.get<QPushButton>("Command2");
    exitButton_ = controls.get<QPushButton>("Command3");
    resultsButton_ = controls.get<QPushButton>("Command4");
    controls.get("Label20")->raise();  // the superscript over its unit label
    for (QLineEdit* box : entries()) box->installEventFilter(this);

    // Selecting an option, by click or from code, sets its code.
    const struct {
        QRadioButton* option;
        int Module1::*code;
        int value;
    } codes[] = {
        {birchOption_, &Module1::FormulaCode, 1},
        {tuckerOption_, &Module1::FormulaCode, 2},
        {waterOption_, &Module1::MaterialCode, 1},
        {softTissueOption_, &Module1::MaterialCode, 2},
        {constantPotentialOption_, &Module1::RectificationCode, 1},
        {threePhaseOption_, &Module1::RectificationCode, 2},
        {singlePhaseOption_, &Module1::RectificationCode, 3},
    };
    for (const auto& c : codes) {
        int Module1::*code = c.code;
        const int value = c.value;
        connect(c.option, &QRadioButton::toggled, this, [this, code, value](bool checked) {
            if (checked) state_.*code = value;
        });
        // The Tab key enters an option group on its selected option only; the
        // arrow keys move within the group.
        QRadioButton* button = c.option;
        button->setFocusPolicy(Qt::ClickFocus);
        connect(button, &QRadioButton::toggled, button, [button](bool checked) {
            button->setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
        });
    }
    // The window's own design selects Birch; loading selects Tucker.
    birchOption_->setChecked(true);

    connect(writeButton_, &QPushButton::clicked, this, &Form1::writeRunParameters);
    connect(goButton_, &QPushButton::clicked, this, &Form1::launchEngine);
    connect(exitButton_, &QPushButton::clicked, this, &Form1::exitProgram);
    connect(resultsButton_, &QPushButton::clicked, this, &Form1::seeResultsRequested);

    // Focus order.
    const QList<QWidget*> order = {
        tubeVoltageBox_, targetAngleBox_, inherentFiltrationBox_, aluminiumFilterBox_, copperFilterBox_,
        fieldDiameterBox_, birchOption_, tuckerOption_, waterOption_, softTissueOption_, photonsBox_, resultNameBox_,
        writeButton_, goButton_, exitButton_, resultsButton_, constantPotentialOption_, threePhaseOption_,
        singlePhaseOption_, controls.get("Picture1")};
    for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

    setDefaults();
}

std::array<QLineEdit*, 8> Form1::entries() const {
    return {tubeVoltageBox_, targetAngleBox_, inherentFiltrationBox_, aluminiumFilterBox_,
            copperFilterBox_, fieldDiameterBox_, photonsBox_, resultNameBox_};
}

void Form1::setDefaults() {
    tubeVoltageBox_->setText(QStringLiteral("100"));
    targetAngleBox_->setText(QStringLiteral("12"));
    inherentFiltrationBox_->setText(QStringLiteral("2.5"));
    aluminiumFilterBox_->setText(QStringLiteral("1"));
    copperFilterBox_->setText(QStringLiteral("0"));
    fieldDiameterBox_->setText(QStringLiteral("20"));
    photonsBox_->setText(QStringLiteral("1000000"));
    // Month-day-year, whatever the user's date settings.
    resultNameBox_->setText(QDate::currentDate().toString(QStringLiteral("MM-dd-yyyy")));
    tuckerOption_->setChecked(true);
    waterOption_->setChecked(true);
    constantPotentialOption_->setChecked(true);
    goButton_->setEnabled(false);
}

void Form1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Text1 has the focus when the window has just been created.
    if (!focusedOnce_) {
        focusedOnce_ = true;
        tubeVoltageBox_->setFocus(Qt::OtherFocusReason);
    }
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            // Enter walks Text1 to Text8, then on to "条件設定 OK".
            const std::array<QLineEdit*, 8> chain = entries();
            for (std::size_t i = 0; i < chain.size(); ++i) {
                if (watched != chain[i]) continue;
                QWidget* next = i + 1 < chain.size() ? static_cast<QWidget*>(chain[i + 1]) : writeButton_;
                next->setFocus(Qt::OtherFocusReason);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool Form1::validateConditions() {
    for (QLineEdit* box : entries())
        if (box->text().isEmpty()) return refuse(box, kEmptyMessage);
    if (readNumber(tubeVoltageBox_->text()) > 150) return refuse(tubeVoltageBox_, kVoltageMessage);
    if (readNumber(fieldDiameterBox_->text()) > 60) return refuse(fieldDiameterBox_, kFieldMessage);
    // The boxes read as numbers, by the name a message gives them.
    const std::pair<QLineEdit*, const char*> numericBoxes[] = {
        {tubeVoltageBox_, "管電圧"},     {targetAngleBox_, "ターゲット角度"}, {inherentFiltrationBox_, "固有ろ過"},
        {aluminiumFilterBox_, "Al フィルタ"}, {copperFilterBox_, "Cu フィルタ"}, {fieldDiameterBox_, "照射野直径"},
        {photonsBox_, "単位面積当たりの入射光子数"},
    };
    for (const auto& [box, name] : numericBoxes)
        if (readNumber(box->text()) < 0) return refuse(box, kNegativeMessage.arg(QString::fromUtf8(name)));
    const double angle = readNumber(targetAngleBox_->text());
    if (!(angle > 0 && angle < 90)) return refuse(targetAngleBox_, kAngleMessage);
    const int nameBytes = kResultNameBytes - static_cast<int>(kResultSuffix.size());
    if ((resultNameBox_->text() + kResultSuffix).toUtf8().size() > kResultNameBytes)
        return refuse(resultNameBox_, kLongNameMessage.arg(nameBytes).arg(nameBytes / 3));
    return true;
}

bool Form1::refuse(QLineEdit* box, const QString& message) {
    messages_.warning(this, message);
    box->setFocus(Qt::OtherFocusReason);
    box->selectAll();
    return false;
}

bool Form1::resultFileMayBeReplaced() {
    const QString name = resultNameBox_->text() + kResultSuffix;
    if (!existsIgnoringCase(QDir::current(), name)) return true;
    if (messages_.ask(this, kReplaceQuestion.arg(name))) return true;
    resultNameBox_->setFocus(Qt::OtherFocusReason);
    resultNameBox_->selectAll();
    return false;
}

RunConditions Form1::currentConditions() const {
    RunConditions c;
    c.tubePotential = readNumber(tubeVoltageBox_->text());
    c.targetAngle = readNumber(targetAngleBox_->text());
    c.inherentFiltration = readNumber(inherentFiltrationBox_->text());
    c.aluminiumFilter = readNumber(aluminiumFilterBox_->text());
    c.copperFilter = readNumber(copperFilterBox_->text());
    c.fieldDiameter = readNumber(fieldDiameterBox_->text());
    c.incidentFluence = readNumber(photonsBox_->text());
    c.formulaCode = state_.FormulaCode;
    c.rectificationCode = state_.RectificationCode;
    c.materialCode = state_.MaterialCode;
    c.resultFileName = resultNameBox_->text() + kResultSuffix;
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
    goButton_->setEnabled(true);
    goButton_->setFocus(Qt::OtherFocusReason);
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
    resultsButton_->setFocus(Qt::OtherFocusReason);
    goButton_->setEnabled(false);
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
