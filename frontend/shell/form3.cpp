#include "shell/form3.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

#include "shell/artwork.h"
#include "shell/ui_style.h"

namespace tessaray {

namespace {

// A label placed at its design position and sized to its text, with a
// transparent background.
QLabel* textLabel(QWidget* parent, const char* name, int left, int top, const QString& text,
                  const QFont& font, const QColor& colour) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(font);
    setTextColour(label, colour);
    label->move(twips(left), twips(top));
    label->adjustSize();
    return label;
}

QLabel* pictureLabel(QWidget* parent, const char* name, int left, int top, const QString& artwork) {
    auto* picture = new QLabel(parent);
    picture->setObjectName(QString::fromLatin1(name));
    picture->setPixmap(artworkPixmap(artwork, 32));
    picture->setGeometry(twipsRect(left, top, 480, 480));
    picture->setFocusPolicy(Qt::TabFocus);
    return picture;
}

QPushButton* yellowButton(QWidget* parent, const char* name, const QRect& geometry, const QString& caption) {
    return designButton(parent, name, geometry, caption, designFont(kTimes, 15.75), kLightYellow);
}

}  // namespace

Form3::Form3(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral(" Air Kerma to absorbed dose of Soft tissue conversion factors "));
    setWindowIcon(artworkIcon(QStringLiteral("form3_icon")));
    setFixedSize(twips(12570), twips(7950));
    setFont(designFont(kMeiryo, 14.25));

    const QFont titleFont = designFont(kMeiryo, 15.75);
    textLabel(this, "Label23", 840, 240, QStringLiteral("モンテカルロシミュレーションを用いた"), titleFont, kBlue);
    textLabel(this, "Label21", 840, 720, QStringLiteral("ファントム内における散乱線を含むＸ線スペクトル および"), titleFont, kBlue);
    textLabel(this, "Label7", 840, 1200, QStringLiteral("そのスペクトルを基にした 空気カーマ・物質吸収線量変換係数 の計算"), titleFont, kBlue);

    auto* picture2 = new PhantomDrawing(this);
    picture2->setObjectName(QStringLiteral("Picture2"));
    picture2->setGeometry(twipsRect(480, 2400, 5415, 5295));
    picture2->setFocusPolicy(Qt::TabFocus);

    const QFont windowFont = font();
    const QColor black(Qt::black);
    textLabel(this, "Label1", 6480, 2400, QStringLiteral("左図に示すファントム内に設置した"), windowFont, black);
    textLabel(this, "Label2", 6480, 2760, QStringLiteral("直径 1 cm の球面を通過する一次線"), windowFont, black);
    textLabel(this, "Label3", 6480, 3120, QStringLiteral("および散乱線光子のエネルギー"), windowFont, black);
    textLabel(this, "Label4", 6480, 3480, QStringLiteral("スペクトルを計算"), windowFont, black);
    textLabel(this, "Label8", 6480, 3840, QStringLiteral("（モンテカルロシミュレーション）"), windowFont, black);
    QLabel* picture3 = pictureLabel(this, "Picture3", 7560, 4440, QStringLiteral("arrow_down"));
    textLabel(this, "Label5", 6480, 4920, QStringLiteral("各点における"), windowFont, black);
    textLabel(this, "Label6", 6480, 5280, QStringLiteral("散乱線を含むＸ線束の"), windowFont, black);
    textLabel(this, "Label22", 6120, 5640, QStringLiteral("空気カーマ・軟部組織吸収線量変換係数を算出"), windowFont, black);

    command1_ = yellowButton(this, "Command1", twipsRect(6840, 6480, 1695, 615), QStringLiteral("OK"));
    command2_ = yellowButton(this, "Command2", twipsRect(8880, 6480, 1695, 615), QStringLiteral("Cancel"));
    QLabel* picture1 = pictureLabel(this, "Picture1", 10800, 6600, QStringLiteral("tessaray"));

    auto* credit = new QLabel(QStringLiteral("Tessaray - Monte Carlo X-ray spectra"), this);
    credit->setObjectName(QStringLiteral("Label30"));
    credit->setFont(designFont(kTimes, 11.25));
    setTextColour(credit, kGrey);
    credit->setGeometry(twipsRect(7080, 7440, 2340, 255));
    credit->adjustSize();

    setTabOrder(command1_, command2_);
    setTabOrder(command2_, picture1);
    setTabOrder(picture1, picture2);
    setTabOrder(picture2, picture3);

    connect(command1_, &QPushButton::clicked, this, &Form3::okClicked);
    connect(command2_, &QPushButton::clicked, this, &Form3::cancelClicked);
}

void Form3::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    command1_->setFocus(Qt::OtherFocusReason);
}

void Form3::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closedByUser();
}

}  // namespace tessaray
