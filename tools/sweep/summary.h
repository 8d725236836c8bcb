#pragma once
// OUTDIR/summary.csv: one row per condition with its status, its beam
// quality and its conversion factors with their standard uncertainties.

#include <array>
#include <cmath>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "rows.h"

namespace sweep {

// The figures of one run's result file and companion. NaN where a figure
// cannot be formed (no counts at a depth, say).
struct RunFigures {
    double hvl1 = NAN, hvl2 = NAN, meanEnergy = NAN;
    // Ratio-of-sums factors, index 0 the incident spectrum, 1..6 the spheres
    // at 0, 2, 5, 10, 15 and 20 cm, and their standard uncertainties.
    std::array<double, 7> factor{NAN, NAN, NAN, NAN, NAN, NAN, NAN};
    std::array<double, 7> uFactor{NAN, NAN, NAN, NAN, NAN, NAN, NAN};
    double surfaceRatio = NAN, uSurfaceRatio = NAN;
};

// Reads a result file (and its companion beside it) with the coefficient
// table of the sweep; throws std::exception with a message when it cannot.
using Analyser = std::function<RunFigures(const std::filesystem::path& resultFile)>;

struct SummaryRow {
    std::string name, status, message, kV;
    std::optional<int> exitStatus;
    std::string al;  // the aluminium filter the row ran with
    RunFigures figures;
    std::string resultFile;  // relative to OUTDIR
};

// The summary's header line (without its line end).
std::string summaryHeader();

// The summary's text: the header and one line per row, CR LF; text fields
// quoted where they hold a comma, a quote or a line end; figures in the
// shortest text that reads back to the same double, left empty where a
// figure could not be formed.
std::string summaryText(const std::vector<SummaryRow>& rows);

// The row of one planned condition: "refused" or "unreachable" with the
// plan's reason; "pending" when its run has not ended; "ok" with the figures
// when the run ended with status 0 and left a complete result and companion;
// "refused" when the engine refused the conditions (exit status 3 or 4);
// "failed" otherwise, with the engine's last error line or the analysis
// failure as message.
SummaryRow summaryRow(const std::filesystem::path& outdir, const PlannedRow& row, const Analyser& analyse);

// Summarises every row of the plan into OUTDIR/summary.csv (written through
// a temporary file). Returns the rows.
std::vector<SummaryRow> collectSummary(const std::filesystem::path& outdir, const Analyser& analyse);

}  // namespace sweep
