#pragma once
// Analysis of one run of the engine: its result file (CSV, 11 header lines and
// one row of 20 counts per 0.5 keV bin) and, when present beside it, its
// companion file (JSON, the counts and the track-length fluence of every
// sphere split into 10 batches of histories).
//
//   CoefficientTable table = readCoefficientTable("Att_Coeff2023.dat");
//   ResultAnalysis a = analyseResult("run.csv", table);   // reads "run.json" too
//   a.counted[0].ratioOfSums     // factor of the incident spectrum (index 0) ± u
//   a.counted[3].scatterToPrimaryKerma   // at 5 cm depth (indices 1..6: 0..20 cm)
//   a.trueFluence                // the same figures from the track-length fluence
//   a.surfaceRatio()             // kerma-weighted (P+S)/P of the 0 cm sphere
//
// Every figure is an Estimate: a value and its standard uncertainty (one
// standard deviation). Without a companion the counts are taken as Poisson
// numbers, each column independent of the others; with it, the uncertainty
// comes from the batch method: the figure is formed from each batch's tallies
// scaled by 10, and u = sample stddev of the 10 batch figures / sqrt(10).
//
// Figures of one spectrum F (per bin i, energy E = 0.5·i keV), with the
// weights of the coefficient table:
//   ratioOfSums    Σ (E·F)·tissue / Σ (E·F)·air        (the viewer's hidden boxes)
//   meanOfRatios   Σ (E·F)·tissue/air / Σ E·F         (the viewer's factor table)
//   meanEnergyKeV  Σ E·F / Σ F                         (mean energy of the photon fluence)
//   airKermaRelative        Σ E·F·air / the same for the incident spectrum
//   scatterToPrimaryKerma   Σ E·S·air / Σ E·P·air
//   totalToPrimaryKerma     Σ E·(P+S)·air / Σ E·P·air  (at 0 cm: the surface ratio)
// For the incident spectrum airKermaRelative is 1 and the last two are NaN. A
// figure whose denominator is zero (say, no count at 20 cm) is NaN.
//
// The incident reference of the true fluence is the fluence the histories
// carry: histories per bin / total photons (1.0 in all = the incident fluence
// per cm2), which has no statistical uncertainty.

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "beam_quality.h"

namespace analysis {

inline constexpr int kDepthCount = 6;
inline constexpr int kBatchCount = 10;
inline constexpr std::array<int, kDepthCount> kDepthsCm{0, 2, 5, 10, 15, 20};

using BinValues = std::array<double, kTableBins + 1>;  // by bin 1..300, index 0 unused

struct Estimate {
    double value = 0;
    double uncertainty = 0;  // one standard uncertainty
};

// The 20 numbers of every data row, by bin. Component 0 primary, 1 scatter,
// 2 total (the file's own total column).
struct ResultFile {
    std::filesystem::path path;
    std::vector<std::string> headerLines;  // the 11 header lines, line ends removed
    int binCount = 0;                      // data rows
    BinValues incident{};
    std::array<std::array<BinValues, 3>, kDepthCount> depth{};
};

// Reads a result file: exactly 11 header lines, then 1 to 300 rows of 20
// non-negative numbers separated by commas (blanks around them ignored),
// CR LF or LF; nothing may follow the last row but its line end. Throws
// AnalysisError naming the file, the line and the offending text otherwise.
ResultFile readResultFile(const std::filesystem::path& path);

// Per batch b (0..9) and bin (index bin-1) values of one sphere component.
using BatchTable = std::array<std::vector<double>, kBatchCount>;

struct CompanionSphere {
    double depthCm = 0;
    BatchTable primaryCounts, scatterCounts;
    BatchTable primaryFluence, scatterFluence;
};

struct Companion {
    std::filesystem::path path;
    int binCount = 0;
    double photonsPerCm2 = 0;
    double totalPhotons = 0;
    std::vector<double> incidentSpectrum;  // normalised, by bin-1
    std::vector<double> histories;         // by bin-1
    BatchTable incidentCounts;
    std::array<CompanionSphere, kDepthCount> spheres;
};

// The companion's name: the result file's with ".json" in place of a trailing
// ".csv" (any letter case), or with ".json" appended.
std::filesystem::path companionPath(const std::filesystem::path& resultFile);

// Reads and checks a companion file ("format": "corvane-spectra/1", 10
// batches, 0.5 keV bins, six spheres at 0, 2, 5, 10, 15, 20 cm, every array of
// the stated shape and of finite non-negative numbers). Throws AnalysisError.
Companion readCompanion(const std::filesystem::path& path);

// Throws AnalysisError naming the companion when it does not belong to the
// result file: another bin count, or batch counts that do not sum to the
// result file's incident, primary and scatter columns.
void checkCompanionMatches(const Companion& companion, const ResultFile& result);

// The figures of one spectrum; see the top of this header.
struct SpectrumFigures {
    Estimate ratioOfSums, meanOfRatios, meanEnergyKeV;
    Estimate airKermaRelative, scatterToPrimaryKerma, totalToPrimaryKerma;
};

// Index 0 the incident spectrum, 1..6 the spheres at 0, 2, 5, 10, 15, 20 cm.
using FigureTable = std::array<SpectrumFigures, kDepthCount + 1>;

// A spectrum of the true fluence with its batch uncertainty per bin
// (index bin-1), per unit incident fluence.
struct SpectrumBand {
    std::vector<double> value, uncertainty;
};

struct TrueFluenceSpectra {
    SpectrumBand primary, scatter, total;
};

enum class UncertaintyMethod { Poisson, Batches };

struct ResultAnalysis {
    ResultFile result;
    std::optional<Companion> companion;  // empty when none lies beside the result file
    UncertaintyMethod method = UncertaintyMethod::Poisson;

    FigureTable counted;                      // from the counting rule's counts
    std::optional<FigureTable> trueFluence;   // from the track-length fluence (companion only)
    std::array<TrueFluenceSpectra, kDepthCount> trueSpectra;  // filled with the companion
    // Of the incident spectrum: the companion's normalised spectrum when there
    // is one, else the result file's incident counts.
    BeamQuality incidentBeam;

    // Kerma-weighted (P+S)/P of the 0 cm sphere from the true fluence; empty
    // without a companion.
    std::optional<Estimate> surfaceRatio() const;
};

// Reads the result file and, if it exists, its companion, and analyses them.
// A companion that exists but is malformed or does not match is an error, not
// a silent fall-back to the counts.
ResultAnalysis analyseResult(const std::filesystem::path& resultFile, const CoefficientTable& table);

// The same on data already read (companion may be empty).
ResultAnalysis analyseResult(ResultFile result, std::optional<Companion> companion,
                             const CoefficientTable& table);

}  // namespace analysis
