#include "shell/form3.h"

#include <QCloseEvent>
#include <QPushButton>

#include "shell/artwork.h"
#include "shell/control_table.h"
#include "shell/ui_style.h"

namespace tessaray {

namespace {

constexpr ControlSpec textLine(const char* name, int left, int top, const char* caption, double points, Paint text) {
    return {.name = name, .kind = ControlKind::Label, .left = left, .top = top, .face = Face::Meiryo, .points = points,
            .caption = caption, .text = text};
}
constexpr ControlSpec picture(const char* name, int left, int top, const char* artwork) {
    return {.name = name, .kind = ControlKind::Picture, .left = left, .top = top, .width = 480, .height = 480,
            .caption = artwork};
}
constexpr ControlSpec button(const char* name, int left, const char* caption) {
    return {.name = name, .kind = ControlKind::Button, .left = left, .top = 6480, .width = 1695, .height = 615,
            .face = Face::Times, .points = 15.75, .caption = caption, .background = Paint::LightYellow};
}

// Form3 as designed, in creation order; labels are sized to their text. The
// window font is "メイリオ" 14.25 pt.
constexpr ControlSpec kForm3Controls[] = {
    textLine("Label23", 840, 240, "モンテカルロシミュレーションを用いた", 15.75, Paint::Blue),
    textLine("Label21", 840, 720, "ファントム内における散乱線を含むＸ線スペクトル および", 15.75, Paint::Blue),
    textLine("Label7", 840, 1200, "そのスペクトルを基にした 空気カーマ・物質吸収線量変換係数 の計算", 15.75, Paint::Blue),
    {.name = "Picture2", .kind = ControlKind::Custom, .left = 480, .top = 2400, .width = 5415, .height = 5295},
    textLine("Label1", 6480, 2400, "左図に示すファントム内に設置した", 14.25, Paint::Black),
    textLine("Label2", 6480, 2760, "直径 1 cm の球面を通過する一次線", 14.25, Paint::Black),
    textLine("Label3", 6480, 3120, "および散乱線光子のエネルギー", 14.25, Paint::Black),
    textLine("Label4", 6480, 3480, "スペクトルを計算", 14.25, Paint::Black),
    textLine("Label8", 6480, 3840, "（モンテカルロシミュレーション）", 14.25, Paint::Black),
    picture("Picture3", 7560, 4440, "arrow_down"),
    textLine("Label5", 6480, 4920, "各点における", 14.25, Paint::Black),
    textLine("Label6", 6480, 5280, "散乱線を含むＸ線束の", 14.25, Paint::Black),
    textLine("Label22", 6120, 5640, "空気カーマ・軟部組織吸収線量変換係数を算出", 14.25, Paint::Black),
    button("Command1", 6840, "OK"),
    button("Command2", 8880, "Cancel"),
    picture("Picture1", 10800, 6600, "tessaray"),
    {.name = "Label30", .kind = ControlKind::Label, .left = 7080, .top = 7440, .face = Face::Times, .points = 11.25,
     .caption = "Tessaray - Monte Carlo X-ray spectra", .text = Paint::Grey},
};

}  // namespace

Form3::Form3(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral(" Air Kerma to absorbed dose of Soft tissue conversion factors "));
    setWindowIcon(artworkIcon(QStringLiteral("form3_icon")));
    setFixedSize(twips(12570), twips(7950));
    setFont(designFont(kMeiryo, 14.25));

    const DesignedControls controls = buildControls(this, kForm3Controls, [](const ControlSpec&, QWidget* parent) {
        // The phantom drawing, reached by Tab like the pictures.
        auto* drawing = new PhantomDrawing(parent);
        drawing->setFocusPolicy(Qt::TabFocus);
        return drawing;
    });
    okButton_ = controls.get<QPushButton>("Command1");
    cancelButton_ = controls.get<QPushButton>("Command2");

    const QList<QWidget*> order = {okButton_, cancelButton_, controls.get("Picture1"), controls.get("Picture2"),
                                   controls.get("Picture3")};
    for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

    connect(okButton_, &QPushButton::clicked, this, &Form3::okClicked);
    connect(cancelButton_, &QPushButton::clicked, this, &Form3::cancelClicked);
}

void Form3::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    okButton_->setFocus(Qt::OtherFocusReason);
}

void Form3::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closedByUser();
}

}  // namespace tessaray
