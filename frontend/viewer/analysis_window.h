#pragma once
// The analysis window of the result viewer: the figures of the result file
// last read (conversion factors, air kerma relative to the incident, scatter to
// primary kerma, (P+S)/P, mean energy, each ± one standard uncertainty, and the
// beam quality of the incident spectrum), the spectra of the true fluence of a
// depth with their uncertainty bands, and exports of the table (CSV) and of
// both plots (PNG, SVG).

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

#include "analysis/result_analysis.h"

class QComboBox;
class QLabel;
class QTableWidget;

namespace tessaray {

class Form2;
class MessageSink;
class PlotCanvas;
class FluenceBandPlot;

// Asks for the name of a file to save; empty when the user cancels.
using SaveFileChooser = std::function<QString(QWidget* parent, const QString& caption, const QString& filters)>;

class AnalysisWindow : public QWidget {
    Q_OBJECT
public:
    // `viewerPlot` is the viewer's plot that "save the viewer's plot" exports.
    AnalysisWindow(MessageSink& messages, PlotCanvas* viewerPlot, QWidget* parent = nullptr);

    // Analyses the result file (and its companion beside it) with the
    // coefficient table of the working directory and fills the table. An
    // empty path: no file has been read yet.
    void showResult(const QString& resultPath);

    // Draws the true-fluence spectra of depth index 0..5 (0 to 20 cm).
    void drawTrueFluence(int depth);

    // Exports, the format chosen by the name's ending (".csv"; ".png" or
    // ".svg"). The file is written whole or not at all; false with a message
    // to the user on failure.
    bool exportTable(const QString& path);
    bool exportAnalysisPlot(const QString& path);
    bool exportViewerPlot(const QString& path);

    // Asks for a file name through the chooser and exports the table, or the
    // viewer's or the analysis plot.
    void saveTableAs();
    void savePlotAs(bool viewer);

    void setSaveFileChooser(SaveFileChooser chooser) { chooseSaveFile_ = std::move(chooser); }

    const std::optional<analysis::ResultAnalysis>& analysis() const { return analysis_; }
    QTableWidget* table() const { return table_; }
    QString statusText() const;

private:
    void buildControls();
    void fillTable();
    bool savePicture(const QString& path, bool viewer);
    void reportFailure(const QString& what, const QString& detail);

    MessageSink& messages_;
    QPointer<PlotCanvas> viewerPlot_;
    std::optional<analysis::ResultAnalysis> analysis_;
    SaveFileChooser chooseSaveFile_;

    QLabel* fileLabel_ = nullptr;
    QLabel* companionLabel_ = nullptr;
    QLabel* beamLabel_ = nullptr;
    QTableWidget* table_ = nullptr;
    QComboBox* depthChoice_ = nullptr;
    FluenceBandPlot* plot_ = nullptr;
};

// Opens the analysis window from the viewer without touching its layout: a
// button in the free space left of "Exit", a context menu on the plot and the
// shortcut Ctrl+Shift+A. The window follows every result file the viewer reads.
void attachAnalysisWindow(Form2& viewer, MessageSink& messages);

// The figure as shown: "1.0550 ± 0.0012" (u to two significant digits, the
// value to the same decimals), "—" when it cannot be formed, "± —" when its
// uncertainty cannot.
QString formatEstimate(const analysis::Estimate& estimate);

}  // namespace tessaray
