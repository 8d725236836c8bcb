#include "viewer/analysis_window.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QSvgGenerator>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "shell/file_lookup.h"
#include "shell/message_sink.h"
#include "shell/ui_style.h"
#include "viewer/form2.h"
#include "viewer/plot_canvas.h"

namespace tessaray {

namespace {

using analysis::Estimate;
using analysis::SpectrumFigures;

const QString kTableFileName = QStringLiteral("Att_Coeff2023.dat");
const QString kImageFilters = QStringLiteral("PNG 画像 (*.png);;SVG 画像 (*.svg)");

// The table's columns: caption and the figure they show.
struct Column {
    const char* caption;
    const char* csvName;
    Estimate SpectrumFigures::*figure;
};
const Column kColumns[] = {
    {"換算係数\n(比の和)\nratio of sums", "ratio_of_sums", &SpectrumFigures::ratioOfSums},
    {"換算係数\n(比の平均)\nmean of ratios", "mean_of_ratios", &SpectrumFigures::meanOfRatios},
    {"空気カーマ\n(入射に対する比)\nK / K incident", "air_kerma_relative", &SpectrumFigures::airKermaRelative},
    {"散乱/一次\nカーマ比\nS/P", "scatter_to_primary_kerma", &SpectrumFigures::scatterToPrimaryKerma},
    {"(一次+散乱)/一次\nカーマ比\n(P+S)/P", "total_to_primary_kerma", &SpectrumFigures::totalToPrimaryKerma},
    {"平均エネルギー\n(フルエンス)\nkeV", "mean_energy_keV", &SpectrumFigures::meanEnergyKeV},
};

QString spectrumName(int s) {
    return s == 0 ? QStringLiteral("入射 Incident") : QStringLiteral("%1 cm").arg(analysis::kDepthsCm[s - 1]);
}

QString csvNumber(double x) { return std::isfinite(x) ? QString::number(x, 'g', 12) : QString(); }

bool endsWith(const QString& path, const char* suffix) {
    return path.endsWith(QLatin1String(suffix), Qt::CaseInsensitive);
}

// Refuses to replace what is not a regular file.
bool replaceableTarget(const QString& path) {
    const QFileInfo info(path);
    return !info.exists() || info.isFile();
}

}  // namespace

// ---- the plot of the true fluence with its uncertainty bands

class FluenceBandPlot : public QWidget {
public:
    explicit FluenceBandPlot(QWidget* parent) : QWidget(parent) {
        setMinimumSize(560, 360);
        setAutoFillBackground(true);
        setBackground(this, Qt::white);
    }

    void setSpectra(const analysis::TrueFluenceSpectra* spectra, const QString& title) {
        spectra_ = spectra ? std::optional(*spectra) : std::nullopt;
        title_ = title;
        update();
    }
    bool hasSpectra() const { return spectra_.has_value(); }

    // Draws into any device: the screen, an image or an SVG file.
    void render(QPainter& p, const QRectF& area) const {
        p.fillRect(area, Qt::white);
        p.setRenderHint(QPainter::Antialiasing);
        QFont font = designFont(kMsPGothic, 10.5);
        p.setFont(font);
        if (!spectra_) {
            p.setPen(Qt::black);
            p.drawText(area, Qt::AlignCenter, title_);
            return;
        }
        const QRectF frame = area.adjusted(70, 40, -20, -50);
        const auto& total = spectra_->total;
        const int bins = static_cast<int>(total.value.size());
        const double topKeV = std::max(1.0, std::ceil(analysis::kBinWidthKeV * bins / 10.0) * 10.0);
        double top = 0;
        for (int k = 0; k < bins; ++k) top = std::max(top, total.value[k] + total.uncertainty[k]);
        if (!(top > 0)) top = 1;
        top *= 1.05;
        const auto at = [&](double keV, double v) {
            return QPointF(frame.left() + frame.width() * keV / topKeV, frame.bottom() - frame.height() * v / top);
        };

        // Grid, axes and their numbers.
        p.setPen(QPen(kLightGrey, 0));
        for (int i = 0; i <= 5; ++i) {
            const double v = top * i / 5;
            p.drawLine(at(0, v), at(topKeV, v));
            p.setPen(Qt::black);
            p.drawText(QRectF(area.left(), at(0, v).y() - 10, 64, 20), Qt::AlignRight | Qt::AlignVCenter,
                       QString::number(v, 'g', 3));
            p.setPen(QPen(kLightGrey, 0));
        }
        const double step = topKeV > 100 ? 25 : topKeV > 40 ? 10 : 5;
        for (double keV = 0; keV <= topKeV + 1e-9; keV += step) {
            p.drawLine(at(keV, 0), at(keV, top));
            p.setPen(Qt::black);
            p.drawText(QRectF(at(keV, 0).x() - 30, frame.bottom() + 4, 60, 18), Qt::AlignHCenter | Qt::AlignTop,
                       QString::number(keV));
            p.setPen(QPen(kLightGrey, 0));
        }
        p.setPen(QPen(Qt::black, 1));
        p.drawRect(frame);
        p.drawText(QRectF(frame.left(), frame.bottom() + 22, frame.width(), 20), Qt::AlignHCenter,
                   QStringLiteral("エネルギー Energy (keV)"));
        p.drawText(QRectF(area.left() + 4, area.top() + 4, area.width() - 8, 18), Qt::AlignLeft, title_);
        p.drawText(QRectF(area.left() + 4, area.top() + 20, area.width() - 8, 18), Qt::AlignLeft,
                   QStringLiteral("フルエンス / 入射フルエンス (0.5 keV ごと)   帯 = ± 1 標準不確かさ"));

        // Each component: its band of ± u, then its line.
        const struct {
            const analysis::SpectrumBand* band;
            QColor colour;
            const char* name;
        } curves[] = {{&spectra_->primary, kBlue, "一次線 Primary"},
                      {&spectra_->scatter, QColor(0, 160, 0), "散乱線 Scatter"},
                      {&spectra_->total, kRed, "合計 Total"}};
        p.save();
        p.setClipRect(frame);
        for (const auto& c : curves) {
            QPolygonF upper, lower, line;
            for (int k = 0; k < bins; ++k) {
                const double keV = analysis::kBinWidthKeV * (k + 1);
                upper << at(keV, c.band->value[k] + c.band->uncertainty[k]);
                lower.prepend(at(keV, std::max(0.0, c.band->value[k] - c.band->uncertainty[k])));
                line << at(keV, c.band->value[k]);
            }
            QColor fill = c.colour;
            fill.setAlpha(60);
            p.setPen(Qt::NoPen);
            p.setBrush(fill);
            p.drawPolygon(upper + lower);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(c.colour, 1.5));
            p.drawPolyline(line);
        }
        p.restore();
        double y = frame.top() + 10;
        for (const auto& c : curves) {
            p.setPen(QPen(c.colour, 2));
            p.drawLine(QPointF(frame.right() - 150, y + 8), QPointF(frame.right() - 120, y + 8));
            p.setPen(Qt::black);
            p.drawText(QPointF(frame.right() - 112, y + 13), QString::fromUtf8(c.name));
            y += 20;
        }
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        render(p, rect());
    }

private:
    std::optional<analysis::TrueFluenceSpectra> spectra_;
    QString title_ = QStringLiteral("深さを選んで「描画」を押してください");
};

// ---- the window

AnalysisWindow::AnalysisWindow(MessageSink& messages, PlotCanvas* viewerPlot, QWidget* parent)
    : QWidget(parent, Qt::Window), messages_(messages), viewerPlot_(viewerPlot) {
    setObjectName("AnalysisWindow");
    setWindowTitle(QStringLiteral("スペクトル解析　Spectrum analysis"));
    chooseSaveFile_ = [](QWidget* p, const QString& caption, const QString& filters) {
        return QFileDialog::getSaveFileName(p, caption, QString(), filters);
    };
    buildControls();
    showResult(QString());
}

void AnalysisWindow::buildControls() {
    const QFont font = designFont(kMsPGothic, 11);
    setFont(font);
    auto* layout = new QVBoxLayout(this);
    fileLabel_ = new QLabel(this);
    companionLabel_ = new QLabel(this);
    companionLabel_->setObjectName("CompanionLabel");
    companionLabel_->setWordWrap(true);
    beamLabel_ = new QLabel(this);
    beamLabel_->setObjectName("BeamLabel");
    beamLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* note = new QLabel(QStringLiteral("± は標準不確かさ（1 標準偏差, k = 1）を表します。"
                                           "  ± : one standard uncertainty (k = 1)."),
                            this);
    layout->addWidget(fileLabel_);
    layout->addWidget(companionLabel_);
    layout->addWidget(note);
    layout->addWidget(beamLabel_);

    table_ = new QTableWidget(this);
    table_->setObjectName("AnalysisTable");
    table_->setColumnCount(static_cast<int>(std::size(kColumns)));
    QStringList captions;
    for (const Column& c : kColumns) captions << QString::fromUtf8(c.caption);
    table_->setHorizontalHeaderLabels(captions);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table_->setMinimumHeight(420);
    layout->addWidget(table_);

    auto* drawRow = new QHBoxLayout;
    drawRow->addWidget(new QLabel(QStringLiteral("真のフルエンス (飛程長推定) True fluence:"), this));
    depthChoice_ = new QComboBox(this);
    depthChoice_->setObjectName("DepthChoice");
    for (int d = 0; d < analysis::kDepthCount; ++d) depthChoice_->addItem(QStringLiteral("%1 cm").arg(analysis::kDepthsCm[d]));
    drawRow->addWidget(depthChoice_);
    auto* draw = new QPushButton(QStringLiteral("描画 Draw"), this);
    draw->setObjectName("DrawButton");
    drawRow->addWidget(draw);
    drawRow->addStretch();
    auto* saveTable = new QPushButton(QStringLiteral("表を CSV で保存… Table"), this);
    auto* savePlot = new QPushButton(QStringLiteral("解析グラフを保存… Analysis plot"), this);
    auto* saveViewer = new QPushButton(QStringLiteral("ビューアのグラフを保存… Viewer plot"), this);
    saveTable->setObjectName("SaveTableButton");
    savePlot->setObjectName("SavePlotButton");
    saveViewer->setObjectName("SaveViewerPlotButton");
    for (auto* b : {saveTable, savePlot, saveViewer}) drawRow->addWidget(b);
    layout->addLayout(drawRow);

    plot_ = new FluenceBandPlot(this);
    plot_->setObjectName("FluencePlot");
    layout->addWidget(plot_, 1);

    connect(draw, &QPushButton::clicked, this, [this] { drawTrueFluence(depthChoice_->currentIndex()); });
    connect(saveTable, &QPushButton::clicked, this, [this] { saveTableAs(); });
    connect(savePlot, &QPushButton::clicked, this, [this] { savePlotAs(false); });
    connect(saveViewer, &QPushButton::clicked, this, [this] { savePlotAs(true); });
    resize(1180, 960);
}

QString AnalysisWindow::statusText() const { return companionLabel_->text(); }

void AnalysisWindow::reportFailure(const QString& what, const QString& detail) {
    messages_.warning(this, what + QStringLiteral("\n") + detail);
}

void AnalysisWindow::showResult(const QString& resultPath) {
    analysis_.reset();
    plot_->setSpectra(nullptr, QStringLiteral("深さを選んで「描画」を押してください"));
    beamLabel_->clear();
    if (resultPath.isEmpty()) {
        fileLabel_->setText(QStringLiteral("結果ファイル: （まだ読み込まれていません） no result file read yet"));
        companionLabel_->clear();
        fillTable();
        return;
    }
    fileLabel_->setText(QStringLiteral("結果ファイル Result file: %1").arg(QDir::toNativeSeparators(resultPath)));
    const QString tablePath = findFileIgnoringCase(QDir::current(), kTableFileName);
    try {
        if (tablePath.isEmpty()) {
            throw analysis::AnalysisError(kTableFileName.toStdString() + ": cannot open: no such file");
        }
        const auto table = analysis::readCoefficientTable(tablePath.toStdString());
        analysis_ = analysis::analyseResult(resultPath.toStdString(), table);
    } catch (const analysis::AnalysisError& error) {
        companionLabel_->setText(QStringLiteral("解析できません。 Analysis failed: ") + QString::fromStdString(error.what()));
        setTextColour(companionLabel_, kRed);
        fillTable();
        return;
    }
    if (analysis_->companion) {
        companionLabel_->setText(
            QStringLiteral("付随ファイル %1 あり: 不確かさはバッチ法（10 バッチ）。真のフルエンスの値も表示します。")
                .arg(QFileInfo(QString::fromStdString(analysis_->companion->path.string())).fileName()));
        setTextColour(companionLabel_, Qt::black);
    } else {
        companionLabel_->setText(
            QStringLiteral("付随ファイル (.json) がありません: 真のフルエンスは表示できず、不確かさは計数の"
                           "ポアソン統計によります。 Companion file missing: counts only, Poisson uncertainties."));
        setTextColour(companionLabel_, kRed);
    }
    const analysis::BeamQuality& q = analysis_->incidentBeam;
    beamLabel_->setText(QStringLiteral("入射スペクトルの線質 Beam quality:  HVL1 = %1 mm Al,  HVL2 = %2 mm Al,  "
                                       "均等度 homogeneity = %3,  平均エネルギー mean = %4 keV,  実効エネルギー "
                                       "effective = %5 keV")
                            .arg(q.hvl1MmAl, 0, 'f', 3)
                            .arg(q.hvl2MmAl, 0, 'f', 3)
                            .arg(q.homogeneity, 0, 'f', 3)
                            .arg(q.meanEnergyKeV, 0, 'f', 2)
                            .arg(std::isfinite(q.effectiveEnergyKeV) ? QString::number(q.effectiveEnergyKeV, 'f', 2)
                                                                     : QStringLiteral("—")));
    fillTable();
}

void AnalysisWindow::fillTable() {
    const int spectra = analysis::kDepthCount + 1;
    const bool withTrue = analysis_ && analysis_->trueFluence;
    table_->setRowCount(analysis_ ? spectra * (withTrue ? 2 : 1) : 0);
    if (!analysis_) return;
    QStringList rowNames;
    int row = 0;
    const auto put = [&](const analysis::FigureTable& figures, const QString& estimator) {
        for (int s = 0; s < spectra; ++s, ++row) {
            rowNames << spectrumName(s) + QStringLiteral("  ") + estimator;
            for (int c = 0; c < static_cast<int>(std::size(kColumns)); ++c) {
                auto* item = new QTableWidgetItem(formatEstimate(figures[s].*kColumns[c].figure));
                item->setTextAlignment(Qt::AlignCenter);
                table_->setItem(row, c, item);
            }
        }
    };
    put(analysis_->counted, QStringLiteral("計数 counts"));
    if (withTrue) put(*analysis_->trueFluence, QStringLiteral("真のフルエンス true"));
    table_->setVerticalHeaderLabels(rowNames);
}

void AnalysisWindow::drawTrueFluence(int depth) {
    if (depth < 0 || depth >= analysis::kDepthCount) return;
    if (!analysis_ || !analysis_->trueFluence) {
        plot_->setSpectra(nullptr, QStringLiteral("付随ファイルがないため真のフルエンスを描けません (companion file missing)"));
        return;
    }
    plot_->setSpectra(&analysis_->trueSpectra[depth],
                      QStringLiteral("真のフルエンス True fluence   depth = %1 cm").arg(analysis::kDepthsCm[depth]));
}

bool AnalysisWindow::exportTable(const QString& path) {
    if (!analysis_) {
        reportFailure(QStringLiteral("保存する解析結果がありません。"), QStringLiteral("No analysis to save."));
        return false;
    }
    if (!replaceableTarget(path)) {
        reportFailure(QStringLiteral("通常のファイルではないため上書きできません。"), path);
        return false;
    }
    QByteArray text = "spectrum,depth_cm,estimator,uncertainty";
    for (const Column& c : kColumns) text += QByteArray(",") + c.csvName + ",u_" + c.csvName;
    text += ",hvl1_mm_al,hvl2_mm_al,homogeneity,effective_energy_keV\r\n";
    const QByteArray method =
        analysis_->method == analysis::UncertaintyMethod::Batches ? "batches_1sd" : "poisson_1sd";
    const auto put = [&](const analysis::FigureTable& figures, const char* estimator) {
        for (int s = 0; s <= analysis::kDepthCount; ++s) {
            text += s == 0 ? QByteArray("incident,") : "depth," + QByteArray::number(analysis::kDepthsCm[s - 1]);
            text += QByteArray(",") + estimator + "," + method;
            for (const Column& c : kColumns) {
                const Estimate& e = figures[s].*c.figure;
                text += "," + csvNumber(e.value).toLatin1() + "," + csvNumber(e.uncertainty).toLatin1();
            }
            if (s == 0) {
                const analysis::BeamQuality& q = analysis_->incidentBeam;
                for (double x : {q.hvl1MmAl, q.hvl2MmAl, q.homogeneity, q.effectiveEnergyKeV}) {
                    text += "," + csvNumber(x).toLatin1();
                }
            } else {
                text += ",,,,";
            }
            text += "\r\n";
        }
    };
    put(analysis_->counted, "counts");
    if (analysis_->trueFluence) put(*analysis_->trueFluence, "true_fluence");

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        reportFailure(QStringLiteral("表を保存できません。"), path + QStringLiteral(": ") + file.errorString());
        return false;
    }
    return true;
}

namespace {

// Writes a picture through `paint` as PNG or SVG, whole or not at all.
bool writePicture(const QString& path, QSize size, const std::function<void(QPainter&, const QRectF&)>& paint,
                  QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    if (endsWith(path, ".svg")) {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(QStringLiteral("Tessaray"));
        QPainter painter;
        if (!painter.begin(&svg)) {
            *error = QStringLiteral("SVG");
            file.cancelWriting();
            return false;
        }
        paint(painter, QRectF(QPointF(0, 0), size));
        painter.end();
    } else {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        paint(painter, QRectF(QPointF(0, 0), size));
        painter.end();
        if (!image.save(&file, "PNG")) {
            *error = QStringLiteral("PNG");
            file.cancelWriting();
            return false;
        }
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace

bool AnalysisWindow::exportAnalysisPlot(const QString& path) {
    return savePicture(path, false);
}

bool AnalysisWindow::exportViewerPlot(const QString& path) {
    return savePicture(path, true);
}

bool AnalysisWindow::savePicture(const QString& path, bool viewer) {
    if (!endsWith(path, ".png") && !endsWith(path, ".svg")) {
        reportFailure(QStringLiteral("ファイル名は .png か .svg で終えてください。"), path);
        return false;
    }
    if (!replaceableTarget(path)) {
        reportFailure(QStringLiteral("通常のファイルではないため上書きできません。"), path);
        return false;
    }
    QString error;
    bool written = false;
    if (viewer) {
        if (!viewerPlot_) {
            reportFailure(QStringLiteral("ビューアのグラフがありません。"), QStringLiteral("No viewer plot."));
            return false;
        }
        // The viewer keeps its drawing as an image: both formats carry that image.
        const QImage drawing = viewerPlot_->image();
        written = writePicture(path, drawing.size(),
                               [&](QPainter& p, const QRectF& area) { p.drawImage(area, drawing); }, &error);
    } else {
        written = writePicture(path, QSize(900, 560),
                               [&](QPainter& p, const QRectF& area) { plot_->render(p, area); }, &error);
    }
    if (!written) reportFailure(QStringLiteral("グラフを保存できません。"), path + QStringLiteral(": ") + error);
    return written;
}

void AnalysisWindow::saveTableAs() {
    const QString path = chooseSaveFile_(this, QStringLiteral("表を CSV で保存 Save table"),
                                         QStringLiteral("CSV (*.csv)"));
    if (!path.isEmpty()) exportTable(endsWith(path, ".csv") ? path : path + QStringLiteral(".csv"));
}

void AnalysisWindow::savePlotAs(bool viewer) {
    const QString path = chooseSaveFile_(
        this, viewer ? QStringLiteral("ビューアのグラフを保存 Save viewer plot") : QStringLiteral("解析グラフを保存 Save analysis plot"),
        kImageFilters);
    if (path.isEmpty()) return;
    savePicture(endsWith(path, ".png") || endsWith(path, ".svg") ? path : path + QStringLiteral(".png"), viewer);
}

QString formatEstimate(const Estimate& e) {
    if (!std::isfinite(e.value)) return QStringLiteral("—");
    // A batch without weight (say, no primary photon at 20 cm in one batch)
    // leaves the spread undefined: said so, not shown as exact.
    if (!std::isfinite(e.uncertainty)) return QString::number(e.value, 'f', 4) + QStringLiteral(" ± —");
    // A spread of rounding noise only (batches that agree to the last bits) is none.
    if (e.uncertainty <= 1e-9 * std::abs(e.value) || e.uncertainty == 0) {
        return QString::number(e.value, 'f', 4) + QStringLiteral(" ± 0");
    }
    const int decimals = std::clamp(1 - static_cast<int>(std::floor(std::log10(e.uncertainty))), 0, 10);
    return QString::number(e.value, 'f', decimals) + QStringLiteral(" ± ") +
           QString::number(e.uncertainty, 'f', decimals);
}

// ---- opening the window from the viewer

namespace {

class AnalysisHook : public QObject {
public:
    AnalysisHook(Form2& viewer, MessageSink& messages) : QObject(&viewer), viewer_(viewer), messages_(messages) {
        auto* button = designButton(&viewer, "AnalysisButton", twipsRect(15120, 8520, 1695, 615),
                                    QStringLiteral("解析 Analysis"), designFont(kMsPGothic, 12), kLightCyan);
        button->setToolTip(QStringLiteral("不確かさ付きの解析ウィンドウを開きます (Ctrl+Shift+A)"));
        button->setFocusPolicy(Qt::ClickFocus);  // the viewer's Tab order stays as designed
        connect(button, &QPushButton::clicked, this, [this] { open(); });

        auto* shortcut = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+A")), &viewer);
        connect(shortcut, &QShortcut::activated, this, [this] { open(); });

        if (auto* plot = viewer.findChild<PlotCanvas*>(QStringLiteral("Picture1"))) {
            plot->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(plot, &QWidget::customContextMenuRequested, this, [this, plot](const QPoint& at) {
                QMenu menu;
                connect(menu.addAction(QStringLiteral("解析ウィンドウを開く Analysis…")), &QAction::triggered, this,
                        [this] { open(); });
                connect(menu.addAction(QStringLiteral("このグラフを保存 (PNG/SVG)… Save plot")), &QAction::triggered,
                        this, [this] {
                            open();
                            window_->savePlotAs(true);
                        });
                menu.exec(plot->mapToGlobal(at));
            });
        }
        connect(&viewer, &Form2::resultFileRead, this, [this](const QString& path) {
            lastPath_ = path;
            if (window_) window_->showResult(path);
        });
    }

private:
    void open() {
        if (!window_) {
            window_ = new AnalysisWindow(messages_, viewer_.findChild<PlotCanvas*>(QStringLiteral("Picture1")), &viewer_);
            window_->setAttribute(Qt::WA_DeleteOnClose);
        }
        window_->showResult(lastPath_);
        window_->show();
        window_->raise();
        window_->activateWindow();
    }

    Form2& viewer_;
    MessageSink& messages_;
    QString lastPath_;
    QPointer<AnalysisWindow> window_;
};

}  // namespace

void attachAnalysisWindow(Form2& viewer, MessageSink& messages) { new AnalysisHook(viewer, messages); }

}  // namespace tessaray
