#include "viewer/form2.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <cmath>

#include "shell/artwork.h"
#include "shell/control_table.h"
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

constexpr ControlSpec label(const char* name, int left, int top, const char* caption, double points,
                            Paint text = Paint::None) {
    return {.name = name, .kind = ControlKind::Label, .left = left, .top = top, .face = Face::Times, .points = points,
            .caption = caption, .text = text};
}
// A label drawn as a coloured box with a single border and centred text.
constexpr ControlSpec boxLabel(const char* name, int left, int top, int width, int height, const char* caption,
                               double points, Paint background) {
    return {.name = name, .kind = ControlKind::Label, .left = left, .top = top, .width = width, .height = height,
            .face = Face::Times, .points = points, .caption = caption, .background = background, .border = true,
            .alignment = Qt::AlignHCenter | Qt::AlignTop};
}
constexpr ControlSpec button(const char* name, int left, int top, int width, int height, const char* caption,
                             double points, Paint background = Paint::LightYellow, const char* toolTip = nullptr) {
    return {.name = name, .kind = ControlKind::Button, .left = left, .top = top, .width = width, .height = height,
            .face = Face::Times, .points = points, .caption = caption, .background = background, .toolTip = toolTip};
}
constexpr ControlSpec option(const char* name, const char* frameName, int left, int top, int width, int height,
                             const char* caption, Paint text = Paint::None) {
    return {.name = name, .kind = ControlKind::Option, .left = left, .top = top, .width = width, .height = height,
            .face = Face::Times, .points = 12, .caption = caption, .parent = frameName, .text = text};
}
constexpr ControlSpec check(const char* name, int top, const char* caption, Paint text) {
    return {.name = name, .kind = ControlKind::Check, .left = 4800, .top = top, .width = 1335, .height = 375,
            .face = Face::Times, .points = 14.25, .caption = caption, .text = text};
}
constexpr ControlSpec textBox(const char* name, int left, int top, int width, int height, Face face, double points) {
    return {.name = name, .kind = ControlKind::TextBox, .left = left, .top = top, .width = width, .height = height,
            .face = face, .points = points};
}
constexpr ControlSpec custom(const char* name, int left, int top, int width, int height, Face face = Face::Window,
                             double points = 0) {
    return {.name = name, .kind = ControlKind::Custom, .left = left, .top = top, .width = width, .height = height,
            .face = face, .points = points};
}

// Form2 as designed, in creation order. Labels without a width are sized to
// their text. A control added in free space is one more row here.
constexpr ControlSpec kForm2Controls[] = {
    // Choosing, previewing and reading a result file.
    label("Label1", 840, 120, "Select File", 15.75, Paint::Blue),
    custom("Drive1", 120, 600, 4095, 360, Face::MsPGothic, 12),
    custom("Dir1", 120, 960, 4095, 1710, Face::MsPGothic, 12),
    custom("File1", 120, 2760, 4095, 2490, Face::MsPGothic, 12),
    button("Command4", 2520, 5280, 1695, 375, "File delete", 14.25, Paint::LightCyan),
    custom("Picture2", 120, 5640, 4095, 2655, Face::MsPGothic, 12),
    button("Command1", 600, 8520, 1335, 615, "OK", 15.75),
    // Drawing switches.
    label("Label20", 4560, 480, "Draw spectrum", 14.25),
    check("Check1", 840, "Primary", Paint::Blue),
    check("Check2", 1200, "Scatter", Paint::Green),
    check("Check3", 1560, "Total", Paint::Red),
    label("Label4", 4560, 2160, "Normalize", 14.25),
    label("Label29", 4680, 2400, "by maximum", 14.25),
    {.name = "Frame2", .kind = ControlKind::Frame, .left = 4560, .top = 2760, .width = 1695, .height = 975},
    option("Option8", "Frame2", 360, 240, 735, 255, "ON"),
    option("Option9", "Frame2", 360, 600, 855, 270, "OFF"),
    {.name = "Frame1", .kind = ControlKind::Frame, .left = 4560, .top = 3960, .width = 1695, .height = 3255,
     .face = Face::Times, .points = 14.25, .caption = "Depth"},
    option("Option1", "Frame1", 240, 480, 1215, 255, "Incident", Paint::Blue),
    option("Option2", "Frame1", 240, 960, 1215, 255, "0 cm"),
    option("Option3", "Frame1", 240, 1320, 1215, 255, "2 cm"),
    option("Option4", "Frame1", 240, 1680, 1215, 255, "5 cm"),
    option("Option5", "Frame1", 240, 2040, 1215, 255, "10 cm"),
    option("Option6", "Frame1", 240, 2400, 1215, 255, "15 cm"),
    option("Option7", "Frame1", 240, 2760, 1215, 255, "20 cm"),
    button("Command2", 4560, 7440, 1695, 735, "Spectra draw", 14.25),
    button("Command6", 4560, 8520, 1695, 615, "Graph Clear", 14.25),
    button("Command5", 2400, 8520, 1335, 615, "Reset", 14.25),
    // The magnification switch and the maximum read-out lie below the client
    // area; they are not visible but keep working.
    {.name = "Frame3", .kind = ControlKind::Frame, .left = 13800, .top = 9840, .width = 2655, .height = 495},
    option("Option10", "Frame3", 120, 130, 735, 255, "1.0"),
    option("Option11", "Frame3", 960, 130, 735, 255, "2.0"),
    option("Option12", "Frame3", 1800, 130, 735, 255, "4.0"),
    label("Label3", 7920, 9960, "Vertical scale : normalized by ", 14.25),
    textBox("Text3", 11280, 9960, 1935, 360, Face::Times, 14.25),
    label("Label5", 13320, 9960, "as", 14.25),
    // The plot; its cursor lines are laid over it in the constructor.
    custom("Picture1", 6480, 120, 8415, 8775),
    // The conversion factor table; Text4..Text10, right of the client area,
    // are filled by every read but not visible.
    label("Label31", 15240, 600, "Air kerma to absorbed dose", 15.75),
    label("Label15", 15240, 960, "of soft tissue conversion", 15.75),
    label("Label30", 15240, 1320, "factors.  calculated by", 15.75),
    label("Label32", 15240, 1680, "X-ray spectrum", 15.75),
    boxLabel("Label18", 15120, 2760, 1575, 735, "X-ray ", 15.75, Paint::LightCyan),
    label("Label19", 15360, 3120, "Spectrum", 15.75),
    boxLabel("Label16", 16800, 2760, 1815, 735, "Conversion", 15.75, Paint::LightCyan),
    {.name = "Label21", .kind = ControlKind::Label, .left = 17385, .top = 3120, .face = Face::Times, .points = 15.75,
     .caption = "factor", .alignment = Qt::AlignHCenter},
    boxLabel("Label8", 15120, 3600, 1575, 495, "Incident", 18, Paint::LightCyan),
    boxLabel("Label6", 16800, 3600, 1815, 495, "", 18, Paint::LightYellow),
    textBox("Text4", 18960, 3600, 1575, 495, Face::MsGothic, 15.75),
    boxLabel("Label9", 15120, 4200, 1575, 495, "0 cm", 18, Paint::LightCyan),
    boxLabel("Label7", 16800, 4200, 1815, 495, "", 18, Paint::LightYellow),
    textBox("Text5", 18960, 4200, 1575, 495, Face::MsGothic, 15.75),
    boxLabel("Label10", 15120, 4800, 1575, 495, "2 cm", 18, Paint::LightCyan),
    boxLabel("Label17", 16800, 4800, 1815, 495, "", 18, Paint::LightYellow),
    textBox("Text6", 18960, 4800, 1575, 495, Face::MsGothic, 15.75),
    boxLabel("Label11", 15120, 5400, 1575, 495, "5 cm", 18, Paint::LightCyan),
    boxLabel("Label24", 16800, 5400, 1815, 495, "", 18, Paint::LightYellow),
    textBox("Text7", 18960, 5400, 1575, 495, Face::MsGothic, 15.75),
    boxLabel("Label12", 15120, 6000, 1575, 495, "10 cm", 15.75, Paint::LightCyan),
    boxLabel("Label25", 16800, 6000, 1815, 495, "", 18, Paint::LightYellow),
    textBox("Text8", 18960, 6000, 1575, 495, Face::MsGothic, 15.75),
    boxLabel("Label13", 15120, 6600, 1575, 495, "15 cm", 18, Paint::LightCyan),
    boxLabel("Label26", 16800, 6600, 1815, 495, "", 18, Paint::LightYellow),
    textBox("Text9", 18960, 6600, 1575, 495, Face::MsGothic, 15.75),
    boxLabel("Label14", 15120, 7200, 1575, 495, "20 cm", 18, Paint::LightCyan),
    boxLabel("Label27", 16800, 7200, 1815, 495, "", 18, Paint::LightYellow),
    textBox("Text10", 18960, 7200, 1575, 495, Face::MsGothic, 15.75),
    // Cursor read-out and leaving.
    textBox("Text1", 9000, 9000, 1335, 360, Face::Times, 14.25),
    label("Label2", 10440, 9000, "keV", 14.25),
    textBox("Text2", 11040, 9000, 1575, 360, Face::Times, 14.25),
    button("Command3", 17040, 8520, 1455, 615, "Exit", 15.75, Paint::LightYellow, " bye "),
};

// The lists, the preview and the plot of the table.
QWidget* makeViewerControl(const ControlSpec& row, QWidget* parent) {
    const QString name = QString::fromLatin1(row.name);
    if (name == QStringLiteral("Drive1")) return new DriveList(parent);
    if (name == QStringLiteral("Dir1")) return new FolderList(parent);
    if (name == QStringLiteral("File1")) return new FileList(parent);
    if (name == QStringLiteral("Picture2")) return new PreviewBox(parent);
    if (name == QStringLiteral("Picture1")) return new PlotCanvas(parent);
    qFatal("no factory for %s", row.name);
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
    connectControls();
    setFocusOrder();
    exitButton_->setFocus();
}

void Form2::buildControls() {
    const DesignedControls controls = tessaray::buildControls(this, kForm2Controls, makeViewerControl);
    drives_ = controls.get<DriveList>("Drive1");
    folders_ = controls.get<FolderList>("Dir1");
    files_ = controls.get<FileList>("File1");
    preview_ = controls.get<PreviewBox>("Picture2");
    plot_ = controls.get<PlotCanvas>("Picture1");
    readButton_ = controls.get<QPushButton>("Command1");
    drawButton_ = controls.get<QPushButton>("Command2");
    exitButton_ = controls.get<QPushButton>("Command3");
    deleteButton_ = controls.get<QPushButton>("Command4");
    resetButton_ = controls.get<QPushButton>("Command5");
    clearButton_ = controls.get<QPushButton>("Command6");
    componentChecks_ = {controls.get<QCheckBox>("Check1"), controls.get<QCheckBox>("Check2"),
                        controls.get<QCheckBox>("Check3")};
    incidentOption_ = controls.get<QRadioButton>("Option1");
    depthOptions_ = {controls.get<QRadioButton>("Option2"), controls.get<QRadioButton>("Option3"),
                     controls.get<QRadioButton>("Option4"), controls.get<QRadioButton>("Option5"),
                     controls.get<QRadioButton>("Option6"), controls.get<QRadioButton>("Option7")};
    normalizeOnOption_ = controls.get<QRadioButton>("Option8");
    normalizeOffOption_ = controls.get<QRadioButton>("Option9");
    scaleOptions_ = {controls.get<QRadioButton>("Option10"), controls.get<QRadioButton>("Option11"),
                     controls.get<QRadioButton>("Option12")};
    energyReadout_ = controls.get<QLineEdit>("Text1");
    valueReadout_ = controls.get<QLineEdit>("Text2");
    maximumReadout_ = controls.get<QLineEdit>("Text3");
    const char* factorNames[kDepths + 1] = {"Label6", "Label7", "Label17", "Label24", "Label25", "Label26", "Label27"};
    const char* ratioNames[kDepths + 1] = {"Text4", "Text5", "Text6", "Text7", "Text8", "Text9", "Text10"};
    for (int row = 0; row <= kDepths; ++row) {
        factorLabels_[static_cast<std::size_t>(row)] = controls.get<QLabel>(factorNames[row]);
        QLineEdit* ratio = controls.get<QLineEdit>(ratioNames[row]);
        ratio->setText(QString::fromLatin1(ratioNames[row]));
        ratioOfSumsBoxes_[static_cast<std::size_t>(row)] = ratio;
    }

    preview_->setFocusPolicy(Qt::StrongFocus);
    plot_->setFocusPolicy(Qt::StrongFocus);
    plot_->clear();
    for (QCheckBox* check : componentChecks_) check->setChecked(true);
    normalizeOffOption_->setChecked(true);
    incidentOption_->setChecked(true);
    scaleOptions_[0]->setChecked(true);

    // The line under "Incident" in the depth frame.
    auto* line3 = new QFrame(controls.get("Frame1"));
    line3->setObjectName("Line3");
    line3->setGeometry(twips(240), twips(840) - 1, twips(1320) - twips(240), 3);
    setBackground(line3, Qt::black);
    // The cross-hair lines of the cursor read-out lie over the drawing.
    levelLine_ = new CursorLine(plot_);
    levelLine_->setObjectName("Line1");
    energyLine_ = new CursorLine(plot_);
    energyLine_->setObjectName("Line2");
}

void Form2::connectControls() {
    connect(drives_, &QComboBox::currentIndexChanged, this, [this] { changeDrive(); });
    connect(folders_, &FolderList::pathChanged, this, [this] { changeFolder(); });
    // The preview follows the selection however it moves (mouse, arrow keys,
    // a new listing); a click also hands the focus to "OK".
    connect(files_, &QListWidget::itemSelectionChanged, this, [this] { showSelectedFile(); });
    connect(files_, &QListWidget::itemClicked, this, [this] { previewResultFile(); });
    connect(&folderWatcher_, &QFileSystemWatcher::directoryChanged, this, [this] { files_->reload(); });
    connect(readButton_, &QPushButton::clicked, this, [this] { readResultFile(); });
    connect(deleteButton_, &QPushButton::clicked, this, [this] { deleteResultFile(); });
    connect(drawButton_, &QPushButton::clicked, this, [this] { drawSpectra(); });
    connect(clearButton_, &QPushButton::clicked, this, [this] { clearGraph(); });
    connect(resetButton_, &QPushButton::clicked, this, [this] { resetViewer(); });
    connect(exitButton_, &QPushButton::clicked, this, [this] { exitViewer(); });
    connect(normalizeOnOption_, &QRadioButton::clicked, this, [this] { state_.NormalizeMode = 1; });
    connect(normalizeOffOption_, &QRadioButton::clicked, this, [this] { state_.NormalizeMode = 0; });
    const double scales[3] = {1.0, 0.5, 0.25};
    for (std::size_t i = 0; i < scaleOptions_.size(); ++i) {
        const double scale = scales[i];
        connect(scaleOptions_[i], &QRadioButton::clicked, this, [this, scale] { state_.VerticalScale = scale; });
    }
    QList<QRadioButton*> spectrumOptions{incidentOption_};
    for (QRadioButton* depth : depthOptions_) spectrumOptions << depth;
    for (QRadioButton* spectrum : spectrumOptions) {
        connect(spectrum, &QRadioButton::clicked, this, [this] {
            if (drawButton_->isEnabled()) drawButton_->setFocus();
        });
    }
    connect(plot_, &PlotCanvas::pointerMoved, this, [this](float x, float y) { trackCursor(x, y); });
    // Leaving the picture without crossing its margins restores the pointer;
    // the cross-hair lines and read-outs stay where they were.
    connect(plot_, &PlotCanvas::pointerLeft, this, [this] { unsetCursor(); });
}

void Form2::setFocusOrder() {
    QList<QWidget*> order{exitButton_, files_, folders_, drives_, plot_, readButton_, incidentOption_};
    for (int n = 0; n < 5; ++n) order << depthOptions_[static_cast<std::size_t>(n)];
    order << drawButton_ << energyReadout_ << valueReadout_ << maximumReadout_ << depthOptions_[5] << clearButton_;
    for (QCheckBox* check : componentChecks_) order << check;
    order << normalizeOnOption_ << normalizeOffOption_;
    for (QRadioButton* scale : scaleOptions_) order << scale;
    order << preview_ << deleteButton_ << resetButton_;
    for (QLineEdit* ratio : ratioOfSumsBoxes_) order << ratio;
    for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void Form2::applyOpeningState() {
    folders_->setPath(drives_->currentFolderOf(drives_->drivePath()));
    changeFolder();
    clearDrawing();
    scaleOptions_[0]->setChecked(true);
    state_.VerticalScale = 1.0;
}

// What the opening state and Reset share: the plot, the cursor and the
// read-outs cleared, drawing and deleting disabled until the next file, every
// component ticked, "Normalize" off and the factor table emptied.
void Form2::clearDrawing() {
    plot_->clear();
    hideCursor();
    energyReadout_->clear();
    valueReadout_->clear();
    maximumReadout_->clear();
    drawButton_->setEnabled(false);
    deleteButton_->setEnabled(false);
    for (QCheckBox* check : componentChecks_) check->setChecked(true);
    state_.AxesDrawn = 0;
    normalizeOffOption_->setChecked(true);
    state_.NormalizeMode = 0;
    clearFactorLabels();
}

void Form2::changeDrive() {
    folders_->setPath(drives_->currentFolderOf(drives_->drivePath()));
}

void Form2::changeFolder() {
    files_->setDirectory(folders_->path());
    watchFolder(folders_->path());
}

void Form2::watchFolder(const QString& folder) {
    const QStringList watched = folderWatcher_.directories();
    if (watched == QStringList{folder}) return;
    if (!watched.isEmpty()) folderWatcher_.removePaths(watched);
    if (!folder.isEmpty()) folderWatcher_.addPath(folder);
}

QString Form2::selectedFilePath() const {
    const QString name = files_->selectedFileName();
    return name.isEmpty() ? QString() : QDir(folders_->path()).filePath(name);
}

void Form2::previewResultFile() {
    if (selectedFilePath().isEmpty()) return;
    showSelectedFile();
    readButton_->setFocus();
}

void Form2::showSelectedFile() {
    // A selection that is lost (a new listing, a deletion) leaves the preview
    // as the opening state and Reset define it.
    const QString path = selectedFilePath();
    if (path.isEmpty()) return;
    preview_->clear();
    headerLines_ = readLeadingLines(path, 10);
    deleteButton_->setEnabled(true);
    maximumReadout_->clear();
    preview_->printLines(headerLines_);
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
    for (int s = 0; s <= kDepths; ++s)
        ratioOfSumsBoxes_[static_cast<std::size_t>(s)]->setText(formatMask(outcome.factors.RatioOfSums[s], "0.000"));
    state_.AxesDrawn = 0;
    drawButton_->setEnabled(true);
    drawButton_->setFocus();
    emit resultFileRead(path);
}

void Form2::deleteResultFile() {
    const QString path = selectedFilePath();
    if (path.isEmpty()) return;
    // The question names the file, so that the user sees what goes.
    if (!messages_.confirm(this, kDeleteQuestion + u'\n' + files_->selectedFileName())) return;
    if (!QFile::remove(path)) {
        messages_.warning(this, kDeleteFailedMessage);
        return;
    }
    files_->refresh();
    plot_->clear();
    preview_->clear();
    state_.AxesDrawn = 0;
}

void Form2::drawSpectra() {
    DrawSelection selection;
    selection.incident = incidentOption_->isChecked();
    selection.depth = selectedDepth_ >= 1 ? selectedDepth_ : 1;
    for (int depth = 1; depth <= kDepths; ++depth) {
        if (depthOptions_[static_cast<std::size_t>(depth - 1)]->isChecked()) {
            selection.depth = depth;
            break;
        }
    }
    selection.primary = componentChecks_[0]->isChecked();
    selection.scatter = componentChecks_[1]->isChecked();
    selection.total = componentChecks_[2]->isChecked();

    const DrawOutcome outcome = tessaray::drawSpectra(*plot_, state_, selection, selectedDepth_);
    curveTitle_ = outcome.curveTitle;
    factorLabels_[static_cast<std::size_t>(outcome.factorIndex)]->setText(formatMask(state_.ConversionFactor[outcome.factorIndex], "0.000"));
    maximumReadout_->setText(outcome.maximumText);
}

void Form2::clearGraph() {
    plot_->clear();
    maximumReadout_->clear();
    state_.AxesDrawn = 0;
}

void Form2::resetViewer() {
    files_->refresh();
    preview_->clear();
    clearDrawing();
}

void Form2::trackCursor(float x, float y) {
    if (state_.AxesDrawn == 0) return;
    if (x >= 0.0f && x <= 6000.0f && y >= 0.0f && y <= 1000.0f) {
        setCursor(Qt::CrossCursor);
        const QPointF top = plot_->toWidget(x, 1000.0);
        const QPointF bottom = plot_->toWidget(x, 0.0);
        energyLine_->setGeometry(static_cast<int>(std::floor(top.x())), static_cast<int>(std::floor(top.y())), 1,
                            std::max(1, static_cast<int>(std::lround(bottom.y() - top.y())) + 1));
        // x = 6000 lies on the right edge of the last bin's column.
        const int bin = std::min(static_cast<int>(static_cast<double>(x) / 20.0) + 1, kBins);
        const double value = incidentOption_->isChecked()
                                 ? state_.ResultIncident[bin]
                                 : state_.DepthSpectra[std::clamp(selectedDepth_, 0, kDepths)][3][bin];
        const double v = plotHeight(value, state_.SpectrumMaximum);
        const QPointF left = plot_->toWidget(0.0, v);
        const QPointF right = plot_->toWidget(6000.0, v);
        const double lineY = std::clamp(left.y(), -100000.0, 100000.0);
        levelLine_->setGeometry(static_cast<int>(std::floor(left.x())), static_cast<int>(std::floor(lineY)),
                            std::max(1, static_cast<int>(std::lround(right.x() - left.x())) + 1), 1);
        levelLine_->show();
        energyLine_->show();
        energyReadout_->setText(formatMask(bin * 0.5, "###.0"));
        valueReadout_->setText(formatMask(v / 1000.0, "0.00000"));
    } else {
        unsetCursor();
        hideCursor();
        energyReadout_->clear();
        valueReadout_->clear();
    }
}

void Form2::exitViewer() { emit exitRequested(); }

void Form2::closeEvent(QCloseEvent* event) {
    emit closedByUser();
    event->accept();
}

void Form2::clearFactorLabels() {
    for (QLabel* label : factorLabels_) label->clear();
}

void Form2::hideCursor() {
    levelLine_->hide();
    energyLine_->hide();
}

}  // namespace tessaray
