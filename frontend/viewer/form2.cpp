#include "viewer/form2.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <cmath>

#include "shell/artwork.h"
#include "shell/number_format.h"
#include "shell/ui_style.h"
#include "viewer/energy_plot.h"
#include "viewer/file_browser.h"
#include "viewer/plot_canvas.h"
#include "viewer/result_reader.h"

namespace tessaray {

namespace {

const QString kSelectFileMessage = QStringLiteral("ファイルを選んで下さい");
const QString kUnreadableMessage = QStringLiteral("ファイルが正しく読み込めません");
const QString kDeleteQuestion = QStringLiteral(" このファイルを削除してもいいですか？　");
const QString kDeleteFailedMessage = QStringLiteral("ファイルを削除できません");

// A transparent label placed at a point and sized to its text.
QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int left, int top, double points) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(designFont(kTimes, points));
    label->move(twips(left), twips(top));
    label->adjustSize();
    return label;
}

// A label drawn as a coloured box with a single border and centred text.
QLabel* makeBoxLabel(QWidget* parent, const char* name, const QString& text, QRect rect, double points,
                     const QColor& background) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(designFont(kTimes, points));
    label->setGeometry(rect);
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setLineWidth(1);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setBackground(label, background);
    return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, QRect rect, double points,
                        const QColor& background) {
    return designButton(parent, name, rect, caption, designFont(kTimes, points), background);
}

QRadioButton* makeOption(QWidget* parent, const char* name, const QString& caption, QRect rect, double points) {
    auto* option = new QRadioButton(caption, parent);
    option->setObjectName(QString::fromLatin1(name));
    option->setFont(designFont(kTimes, points));
    option->setGeometry(rect);
    return option;
}

QLineEdit* makeTextBox(QWidget* parent, const char* name, QRect rect, const QFont& font) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setFont(font);
    box->setGeometry(rect);
    box->setAlignment(Qt::AlignCenter);
    return box;
}

}  // namespace

Form2::Form2(Module1& state, MessageSink& messages, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      state_(state),
      messages_(messages) {
    setObjectName("Form2");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Ｘ線スペクトル　　空気カーマ - 軟部組織吸収線量 換算係数"));
    setWindowIcon(artworkIcon(QStringLiteral("form2_icon")));
    setFixedSize(twips(18885), twips(9480));
    buildControls();
    setFocusOrder();
    command3_->setFocus();
}

void Form2::buildControls() {
    // ---- choosing, previewing and reading a result file
    auto* label1 = makeLabel(this, "Label1", QStringLiteral("Select File"), 840, 120, 15.75);
    setTextColour(label1, kBlue);

    drive1_ = new DriveList(this);
    drive1_->setObjectName("Drive1");
    drive1_->setFont(designFont(kMsPGothic, 12));
    drive1_->setGeometry(twipsRect(120, 600, 4095, 360));

    dir1_ = new FolderList(this);
    dir1_->setObjectName("Dir1");
    dir1_->setFont(designFont(kMsPGothic, 12));
    dir1_->setGeometry(twipsRect(120, 960, 4095, 1710));

    file1_ = new FileList(this);
    file1_->setObjectName("File1");
    file1_->setFont(designFont(kMsPGothic, 12));
    file1_->setGeometry(twipsRect(120, 2760, 4095, 2490));

    command4_ = makeButton(this, "Command4", QStringLiteral("File delete"), twipsRect(2520, 5280, 1695, 375), 14.25,
                           kLightCyan);

    picture2_ = new PreviewBox(this);
    picture2_->setObjectName("Picture2");
    picture2_->setFont(designFont(kMsPGothic, 12));
    picture2_->setGeometry(twipsRect(120, 5640, 4095, 2655));
    picture2_->setFocusPolicy(Qt::StrongFocus);

    command1_ = makeButton(this, "Command1", QStringLiteral("OK"), twipsRect(600, 8520, 1335, 615), 15.75,
                           kLightYellow);

    // ---- drawing switches
    makeLabel(this, "Label20", QStringLiteral("Draw spectrum"), 4560, 480, 14.25);
    const char* checkNames[4] = {nullptr, "Check1", "Check2", "Check3"};
    const QString checkCaptions[4] = {{}, QStringLiteral("Primary"), QStringLiteral("Scatter"), QStringLiteral("Total")};
    const QColor checkColours[4] = {{}, kBlue, kGreen, kRed};
    for (int k = 1; k <= 3; ++k) {
        check_[k] = new QCheckBox(checkCaptions[k], this);
        check_[k]->setObjectName(QString::fromLatin1(checkNames[k]));
        check_[k]->setFont(designFont(kTimes, 14.25));
        check_[k]->setGeometry(twipsRect(4800, 840 + 360 * (k - 1), 1335, 375));
        setTextColour(check_[k], checkColours[k]);
        check_[k]->setChecked(true);
    }
    makeLabel(this, "Label4", QStringLiteral("Normalize"), 4560, 2160, 14.25);
    makeLabel(this, "Label29", QStringLiteral("by maximum"), 4680, 2400, 14.25);

    auto* frame2 = new QGroupBox(this);
    frame2->setObjectName("Frame2");
    frame2->setGeometry(twipsRect(4560, 2760, 1695, 975));
    option_[8] = makeOption(frame2, "Option8", QStringLiteral("ON"), twipsRect(360, 240, 735, 255), 12);
    option_[9] = makeOption(frame2, "Option9", QStringLiteral("OFF"), twipsRect(360, 600, 855, 270), 12);
    option_[9]->setChecked(true);

    auto* frame1 = new QGroupBox(QStringLiteral("Depth"), this);
    frame1->setObjectName("Frame1");
    frame1->setFont(designFont(kTimes, 14.25));
    frame1->setGeometry(twipsRect(4560, 3960, 1695, 3255));
    option_[1] = makeOption(frame1, "Option1", QStringLiteral("Incident"), twipsRect(240, 480, 1215, 255), 12);
    setTextColour(option_[1], kBlue);
    option_[1]->setChecked(true);
    auto* line3 = new QFrame(frame1);
    line3->setObjectName("Line3");
    line3->setGeometry(twips(240), twips(840) - 1, twips(1320) - twips(240), 3);
    setBackground(line3, Qt::black);
    const char* depthNames[7] = {nullptr, nullptr, "Option2", "Option3", "Option4", "Option5", "Option6"};
    for (int n = 2; n <= 7; ++n) {
        const char* name = n == 7 ? "Option7" : depthNames[n];
        option_[n] = makeOption(frame1, name, QStringLiteral("%1 cm").arg(depthCentimetres(n - 1)),
                                twipsRect(240, 960 + 360 * (n - 2), 1215, 255), 12);
    }

    command2_ = makeButton(this, "Command2", QStringLiteral("Spectra draw"), twipsRect(4560, 7440, 1695, 735), 14.25,
                           kLightYellow);
    command6_ = makeButton(this, "Command6", QStringLiteral("Graph Clear"), twipsRect(4560, 8520, 1695, 615), 14.25,
                           kLightYellow);
    command5_ = makeButton(this, "Command5", QStringLiteral("Reset"), twipsRect(2400, 8520, 1335, 615), 14.25,
                           kLightYellow);

    // The magnification switch and the maximum read-out lie below the client
    // area; they are not visible but keep working.
    auto* frame3 = new QGroupBox(this);
    frame3->setObjectName("Frame3");
    frame3->setGeometry(twipsRect(13800, 9840, 2655, 495));
    option_[10] = makeOption(frame3, "Option10", QStringLiteral("1.0"), twipsRect(120, 130, 735, 255), 12);
    option_[11] = makeOption(frame3, "Option11", QStringLiteral("2.0"), twipsRect(960, 130, 735, 255), 12);
    option_[12] = makeOption(frame3, "Option12", QStringLiteral("4.0"), twipsRect(1800, 130, 735, 255), 12);
    option_[10]->setChecked(true);
    makeLabel(this, "Label3", QStringLiteral("Vertical scale : normalized by "), 7920, 9960, 14.25);
    text_[3] = makeTextBox(this, "Text3", twipsRect(11280, 9960, 1935, 360), designFont(kTimes, 14.25));
    makeLabel(this, "Label5", QStringLiteral("as"), 13320, 9960, 14.25);

    // ---- the plot with its cursor lines lying over the drawing
    picture1_ = new PlotCanvas(this);
    picture1_->setObjectName("Picture1");
    picture1_->setGeometry(twipsRect(6480, 120, 8415, 8775));
    picture1_->setFocusPolicy(Qt::StrongFocus);
    picture1_->clear();
    line1_ = new CursorLine(picture1_);
    line1_->setObjectName("Line1");
    line2_ = new CursorLine(picture1_);
    line2_->setObjectName("Line2");

    // ---- the conversion factor table
    makeLabel(this, "Label31", QStringLiteral("Air kerma to absorbed dose"), 15240, 600, 15.75);
    makeLabel(this, "Label15", QStringLiteral("of soft tissue conversion"), 15240, 960, 15.75);
    makeLabel(this, "Label30", QStringLiteral("factors.  calculated by"), 15240, 1320, 15.75);
    makeLabel(this, "Label32", QStringLiteral("X-ray spectrum"), 15240, 1680, 15.75);
    makeBoxLabel(this, "Label18", QStringLiteral("X-ray "), twipsRect(15120, 2760, 1575, 735), 15.75, kLightCyan);
    makeLabel(this, "Label19", QStringLiteral("Spectrum"), 15360, 3120, 15.75);
    makeBoxLabel(this, "Label16", QStringLiteral("Conversion"), twipsRect(16800, 2760, 1815, 735), 15.75, kLightCyan);
    makeLabel(this, "Label21", QStringLiteral("factor"), 17385, 3120, 15.75)->setAlignment(Qt::AlignHCenter);

    const char* rowNames[7] = {"Label8", "Label9", "Label10", "Label11", "Label12", "Label13", "Label14"};
    const char* rowCaptions[7] = {"Incident", "0 cm", "2 cm", "5 cm", "10 cm", "15 cm", "20 cm"};
    const char* factorNames[7] = {"Label6", "Label7", "Label17", "Label24", "Label25", "Label26", "Label27"};
    const char* textNames[7] = {"Text4", "Text5", "Text6", "Text7", "Text8", "Text9", "Text10"};
    for (int row = 0; row <= kDepths; ++row) {
        const int top = 3600 + 600 * row;
        makeBoxLabel(this, rowNames[row], QString::fromLatin1(rowCaptions[row]), twipsRect(15120, top, 1575, 495),
                     row == 4 ? 15.75 : 18, kLightCyan);
        factorLabel_[row] = makeBoxLabel(this, factorNames[row], QString(), twipsRect(16800, top, 1815, 495), 18,
                                         kLightYellow);
        // Right of the client area: filled by every read but not visible.
        text_[4 + row] = makeTextBox(this, textNames[row], twipsRect(18960, top, 1575, 495), designFont(kMsGothic, 15.75));
        text_[4 + row]->setText(QString::fromLatin1(textNames[row]));
    }

    // ---- cursor read-out and leaving
    text_[1] = makeTextBox(this, "Text1", twipsRect(9000, 9000, 1335, 360), designFont(kTimes, 14.25));
    makeLabel(this, "Label2", QStringLiteral("keV"), 10440, 9000, 14.25);
    text_[2] = makeTextBox(this, "Text2", twipsRect(11040, 9000, 1575, 360), designFont(kTimes, 14.25));
    command3_ = makeButton(this, "Command3", QStringLiteral("Exit"), twipsRect(17040, 8520, 1455, 615), 15.75,
                           kLightYellow);
    command3_->setToolTip(QStringLiteral(" bye "));

    // ---- actions
    connect(drive1_, &QComboBox::currentIndexChanged, this, [this] { changeDrive(); });
    connect(dir1_, &FolderList::pathChanged, this, [this] { changeFolder(); });
    connect(file1_, &QListWidget::itemClicked, this, [this] { previewResultFile(); });
    connect(command1_, &QPushButton::clicked, this, [this] { readResultFile(); });
    connect(command4_, &QPushButton::clicked, this, [this] { deleteResultFile(); });
    connect(command2_, &QPushButton::clicked, this, [this] { drawSpectra(); });
    connect(command6_, &QPushButton::clicked, this, [this] { clearGraph(); });
    connect(command5_, &QPushButton::clicked, this, [this] { resetViewer(); });
    connect(command3_, &QPushButton::clicked, this, [this] { exitViewer(); });
    connect(option_[8], &QRadioButton::clicked, this, [this] { state_.NormalizeMode = 1; });
    connect(option_[9], &QRadioButton::clicked, this, [this] { state_.NormalizeMode = 0; });
    connect(option_[10], &QRadioButton::clicked, this, [this] { state_.VerticalScale = 1.0; });
    connect(option_[11], &QRadioButton::clicked, this, [this] { state_.VerticalScale = 0.5; });
    connect(option_[12], &QRadioButton::clicked, this, [this] { state_.VerticalScale = 0.25; });
    for (int n = 1; n <= 7; ++n) {
        connect(option_[n], &QRadioButton::clicked, this, [this] {
            if (command2_->isEnabled()) command2_->setFocus();
        });
    }
    connect(picture1_, &PlotCanvas::pointerMoved, this, [this](float x, float y) { trackCursor(x, y); });
    // Leaving the picture without crossing its margins restores the pointer;
    // the cross-hair lines and read-outs stay where they were.
    connect(picture1_, &PlotCanvas::pointerLeft, this, [this] { unsetCursor(); });
}

void Form2::setFocusOrder() {
    QList<QWidget*> order{command3_, file1_, dir1_, drive1_, picture1_, command1_};
    for (int n = 1; n <= 6; ++n) order << option_[n];
    order << command2_ << text_[1] << text_[2] << text_[3] << option_[7] << command6_;
    for (int k = 1; k <= 3; ++k) order << check_[k];
    for (int n = 8; n <= 12; ++n) order << option_[n];
    order << picture2_ << command4_ << command5_;
    for (int n = 4; n <= 10; ++n) order << text_[n];
    for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void Form2::applyOpeningState() {
    dir1_->setPath(drive1_->currentFolderOf(drive1_->drivePath()));
    file1_->setDirectory(dir1_->path());
    clearDrawing();
    option_[10]->setChecked(true);
    state_.VerticalScale = 1.0;
}

// What the opening state and Reset share: the plot, the cursor and the
// read-outs cleared, drawing and deleting disabled until the next file, every
// component ticked, "Normalize" off and the factor table emptied.
void Form2::clearDrawing() {
    picture1_->clear();
    hideCursor();
    text_[1]->clear();
    text_[2]->clear();
    text_[3]->clear();
    command2_->setEnabled(false);
    command4_->setEnabled(false);
    for (int k = 1; k <= 3; ++k) check_[k]->setChecked(true);
    state_.AxesDrawn = 0;
    option_[9]->setChecked(true);
    state_.NormalizeMode = 0;
    clearFactorLabels();
}

void Form2::changeDrive() {
    dir1_->setPath(drive1_->currentFolderOf(drive1_->drivePath()));
}

void Form2::changeFolder() { file1_->setDirectory(dir1_->path()); }

QString Form2::selectedFilePath() const {
    const QString name = file1_->selectedFileName();
    return name.isEmpty() ? QString() : QDir(dir1_->path()).filePath(name);
}

void Form2::previewResultFile() {
    const QString path = selectedFilePath();
    if (path.isEmpty()) return;
    headerLines_ = readLeadingLines(path, 10);
    command4_->setEnabled(true);
    text_[3]->clear();
    command1_->setFocus();
    picture2_->clear();
    picture2_->printLines(headerLines_);
}

void Form2::readResultFile() {
    const QString path = selectedFilePath();
    if (path.isEmpty()) {
        messages_.warning(this, kSelectFileMessage);
        return;
    }
    const ResultReadOutcome outcome = tessaray::readResultFile(path, state_);
    if (!outcome.ok) {
        // The tables, the factors and the drawing switches stay as they were.
        messages_.warning(this, kUnreadableMessage);
        return;
    }
    headerLines_ = outcome.headerLines;
    for (int s = 0; s <= kDepths; ++s) text_[4 + s]->setText(formatMask(outcome.factors.RatioOfSums[s], "0.000"));
    state_.AxesDrawn = 0;
    command2_->setEnabled(true);
    command2_->setFocus();
    emit resultFileRead(path);
}

void Form2::deleteResultFile() {
    const QString path = selectedFilePath();
    if (path.isEmpty()) return;
    if (!messages_.confirm(this, kDeleteQuestion)) return;
    if (!QFile::remove(path)) {
        messages_.warning(this, kDeleteFailedMessage);
        return;
    }
    file1_->refresh();
    picture1_->clear();
    picture2_->clear();
    state_.AxesDrawn = 0;
}

void Form2::drawSpectra() {
    DrawSelection selection;
    selection.incident = option_[1]->isChecked();
    selection.depth = selectedDepth_ >= 1 ? selectedDepth_ : 1;
    for (int n = 2; n <= 7; ++n) {
        if (option_[n]->isChecked()) {
            selection.depth = n - 1;
            break;
        }
    }
    selection.primary = check_[1]->isChecked();
    selection.scatter = check_[2]->isChecked();
    selection.total = check_[3]->isChecked();

    const DrawOutcome outcome = tessaray::drawSpectra(*picture1_, state_, selection, selectedDepth_);
    curveTitle_ = outcome.curveTitle;
    factorLabel_[outcome.factorIndex]->setText(formatMask(state_.ConversionFactor[outcome.factorIndex], "0.000"));
    text_[3]->setText(outcome.maximumText);
}

void Form2::clearGraph() {
    picture1_->clear();
    text_[3]->clear();
    state_.AxesDrawn = 0;
}

void Form2::resetViewer() {
    file1_->refresh();
    picture2_->clear();
    clearDrawing();
}

void Form2::trackCursor(float x, float y) {
    if (state_.AxesDrawn == 0) return;
    if (x >= 0.0f && x <= 6000.0f && y >= 0.0f && y <= 1000.0f) {
        setCursor(Qt::CrossCursor);
        const QPointF top = picture1_->toWidget(x, 1000.0);
        const QPointF bottom = picture1_->toWidget(x, 0.0);
        line2_->setGeometry(static_cast<int>(std::floor(top.x())), static_cast<int>(std::floor(top.y())), 1,
                            std::max(1, static_cast<int>(std::lround(bottom.y() - top.y())) + 1));
        // x = 6000 lies on the right edge of the last bin's column.
        const int bin = std::min(static_cast<int>(static_cast<double>(x) / 20.0) + 1, kBins);
        const double value = option_[1]->isChecked()
                                 ? state_.ResultIncident[bin]
                                 : state_.DepthSpectra[std::clamp(selectedDepth_, 0, kDepths)][3][bin];
        const double v = plotHeight(value, state_.SpectrumMaximum);
        const QPointF left = picture1_->toWidget(0.0, v);
        const QPointF right = picture1_->toWidget(6000.0, v);
        const double lineY = std::clamp(left.y(), -100000.0, 100000.0);
        line1_->setGeometry(static_cast<int>(std::floor(left.x())), static_cast<int>(std::floor(lineY)),
                            std::max(1, static_cast<int>(std::lround(right.x() - left.x())) + 1), 1);
        line1_->show();
        line2_->show();
        text_[1]->setText(formatMask(bin * 0.5, "###.0"));
        text_[2]->setText(formatMask(v / 1000.0, "0.00000"));
    } else {
        unsetCursor();
        hideCursor();
        text_[1]->clear();
        text_[2]->clear();
    }
}

void Form2::exitViewer() { emit exitRequested(); }

void Form2::closeEvent(QCloseEvent* event) {
    emit closedByUser();
    event->accept();
}

void Form2::clearFactorLabels() {
    for (QLabel* label : factorLabel_) label->clear();
}

void Form2::hideCursor() {
    line1_->hide();
    line2_->hide();
}

}  // namespace tessaray
