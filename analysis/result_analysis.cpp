// The figures of a run with their uncertainties.

#include "result_analysis.h"

#include <cmath>
#include <functional>
#include <limits>

namespace analysis {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kQuantities = 6;
enum Quantity { RatioOfSums, MeanOfRatios, MeanEnergy, KermaRelative, ScatterToPrimary, TotalToPrimary };

// The spectra one set of figures is formed from: incident, and primary,
// scatter and total of every sphere, by bin.
struct Tally {
    BinValues incident{};
    std::array<BinValues, kDepthCount> primary{}, scatter{}, total{};
};

using Values = std::array<std::array<double, kQuantities>, kDepthCount + 1>;

double energy(int bin) { return kBinWidthKeV * bin; }

double quotient(double numerator, double denominator) {
    return denominator == 0 ? kNaN : numerator / denominator;
}

// Σ (E·F)·air, the air kerma of a spectrum in the table's units.
double kerma(const BinValues& f, const CoefficientTable& table) {
    double sum = 0;
    for (int i = 1; i <= kTableBins; ++i) sum += energy(i) * f[i] * table.air[i];
    return sum;
}

// Both conversion factors, summed exactly as the viewer sums them: over every
// bin 1..300 in increasing order, the energy fluence E·F formed first.
void conversionFactors(const BinValues& f, const CoefficientTable& table, double& ratioOfSums,
                       double& meanOfRatios) {
    double tissueSum = 0, airSum = 0;
    for (int i = 1; i <= kTableBins; ++i) {
        const double fluence = 0.5 * i * f[i];
        tissueSum += fluence * table.tissue[i];
        airSum += fluence * table.air[i];
    }
    double weight = 0, ratioSum = 0;
    for (int i = 1; i <= kTableBins; ++i) {
        const double fluence = 0.5 * i * f[i];
        weight += fluence;
        ratioSum += fluence * table.tissue[i] / table.air[i];
    }
    ratioOfSums = quotient(tissueSum, airSum);
    meanOfRatios = quotient(ratioSum, weight);
}

double meanEnergy(const BinValues& f) {
    double number = 0, weighted = 0;
    for (int i = 1; i <= kTableBins; ++i) {
        number += f[i];
        weighted += energy(i) * f[i];
    }
    return quotient(weighted, number);
}

Values figures(const Tally& tally, const CoefficientTable& table) {
    Values v{};
    const double incidentKerma = kerma(tally.incident, table);
    for (int s = 0; s <= kDepthCount; ++s) {
        const BinValues& f = s == 0 ? tally.incident : tally.total[s - 1];
        auto& q = v[s];
        conversionFactors(f, table, q[RatioOfSums], q[MeanOfRatios]);
        q[MeanEnergy] = meanEnergy(f);
        if (s == 0) {
            q[KermaRelative] = 1;
            q[ScatterToPrimary] = q[TotalToPrimary] = kNaN;
            continue;
        }
        const double primaryKerma = kerma(tally.primary[s - 1], table);
        q[KermaRelative] = quotient(kerma(f, table), incidentKerma);
        q[ScatterToPrimary] = quotient(kerma(tally.scatter[s - 1], table), primaryKerma);
        q[TotalToPrimary] = quotient(kerma(f, table), primaryKerma);
    }
    return v;
}

// One Poisson column in a figure N/D = Σ a·x / Σ b·x over independent columns.
struct Term {
    const BinValues* counts;
    std::function<double(int)> numerator, denominator;
};

// Linear propagation: ∂Q/∂x_i = (a_i − Q·b_i) / D, var x_i = x_i.
double poissonUncertainty(double q, const std::vector<Term>& terms) {
    if (std::isnan(q)) return kNaN;
    double d = 0;
    for (const Term& t : terms) {
        for (int i = 1; i <= kTableBins; ++i) d += t.denominator(i) * (*t.counts)[i];
    }
    double variance = 0;
    for (const Term& t : terms) {
        for (int i = 1; i <= kTableBins; ++i) {
            const double x = (*t.counts)[i];
            if (x == 0) continue;
            const double slope = (t.numerator(i) - q * t.denominator(i)) / d;
            variance += x * slope * slope;
        }
    }
    return std::sqrt(variance);
}

std::array<double, kQuantities> poissonUncertainties(const ResultFile& result, const Values& v, int s,
                                                     const CoefficientTable& table) {
    const auto zero = [](int) { return 0.0; };
    const auto one = [](int) { return 1.0; };
    const auto e = [](int i) { return energy(i); };
    const auto air = [&](int i) { return energy(i) * table.air[i]; };
    const auto tissue = [&](int i) { return energy(i) * table.tissue[i]; };
    const auto ratio = [&](int i) { return energy(i) * table.tissue[i] / table.air[i]; };
    // The same weights on every column the spectrum is made of.
    std::vector<const BinValues*> columns;
    if (s == 0) {
        columns = {&result.incident};
    } else {
        columns = {&result.depth[s - 1][0], &result.depth[s - 1][1]};
    }
    const auto spread = [&](std::function<double(int)> a, std::function<double(int)> b) {
        std::vector<Term> terms;
        for (const BinValues* c : columns) terms.push_back({c, a, b});
        return terms;
    };
    const auto& q = v[s];
    std::array<double, kQuantities> u{};
    u[RatioOfSums] = poissonUncertainty(q[RatioOfSums], spread(tissue, air));
    u[MeanOfRatios] = poissonUncertainty(q[MeanOfRatios], spread(ratio, e));
    u[MeanEnergy] = poissonUncertainty(q[MeanEnergy], spread(e, one));
    if (s == 0) {
        u[KermaRelative] = 0;
        u[ScatterToPrimary] = u[TotalToPrimary] = kNaN;
        return u;
    }
    const BinValues& primary = result.depth[s - 1][0];
    const BinValues& scatter = result.depth[s - 1][1];
    std::vector<Term> kermaTerms = spread(air, zero);
    kermaTerms.push_back({&result.incident, zero, air});
    u[KermaRelative] = poissonUncertainty(q[KermaRelative], kermaTerms);
    u[ScatterToPrimary] = poissonUncertainty(q[ScatterToPrimary], {{&primary, zero, air}, {&scatter, air, zero}});
    u[TotalToPrimary] = poissonUncertainty(q[TotalToPrimary], {{&primary, air, air}, {&scatter, air, zero}});
    return u;
}

// u = stddev of the batch figures / sqrt(10); NaN when any batch figure is.
double batchUncertainty(const std::array<double, kBatchCount>& q) {
    double mean = 0;
    for (double x : q) mean += x;
    mean /= kBatchCount;
    double squares = 0;
    for (double x : q) squares += (x - mean) * (x - mean);
    return std::sqrt(squares / (kBatchCount - 1) / kBatchCount);
}

Values batchUncertainties(const std::array<Values, kBatchCount>& batches) {
    Values u{};
    for (int s = 0; s <= kDepthCount; ++s) {
        for (int k = 0; k < kQuantities; ++k) {
            std::array<double, kBatchCount> q{};
            for (int b = 0; b < kBatchCount; ++b) q[b] = batches[b][s][k];
            u[s][k] = batchUncertainty(q);
        }
    }
    u[0][KermaRelative] = 0;  // the incident spectrum against itself
    return u;
}

FigureTable assemble(const Values& central, const Values& u) {
    static constexpr Estimate SpectrumFigures::*kSlots[kQuantities] = {
        &SpectrumFigures::ratioOfSums,      &SpectrumFigures::meanOfRatios,
        &SpectrumFigures::meanEnergyKeV,    &SpectrumFigures::airKermaRelative,
        &SpectrumFigures::scatterToPrimaryKerma, &SpectrumFigures::totalToPrimaryKerma};
    FigureTable table;
    for (int s = 0; s <= kDepthCount; ++s) {
        for (int k = 0; k < kQuantities; ++k) table[s].*kSlots[k] = Estimate{central[s][k], u[s][k]};
    }
    return table;
}

Tally resultTally(const ResultFile& result) {
    Tally t;
    t.incident = result.incident;
    for (int d = 0; d < kDepthCount; ++d) {
        t.primary[d] = result.depth[d][0];
        t.scatter[d] = result.depth[d][1];
        t.total[d] = result.depth[d][2];
    }
    return t;
}

void fill(BinValues& to, const std::vector<double>& from, double scale) {
    for (std::size_t k = 0; k < from.size(); ++k) to[k + 1] = scale * from[k];
}

void formTotals(Tally& t) {
    for (int d = 0; d < kDepthCount; ++d) {
        for (int i = 1; i <= kTableBins; ++i) t.total[d][i] = t.primary[d][i] + t.scatter[d][i];
    }
}

// Batch b's counts or fluence, scaled by 10 to stand for a whole run.
Tally batchTally(const Companion& c, int b, bool fluence) {
    Tally t;
    if (fluence) {
        for (int k = 0; k < c.binCount; ++k) t.incident[k + 1] = c.histories[k] / c.totalPhotons;
    } else {
        fill(t.incident, c.incidentCounts[b], kBatchCount);
    }
    for (int d = 0; d < kDepthCount; ++d) {
        const CompanionSphere& s = c.spheres[d];
        fill(t.primary[d], (fluence ? s.primaryFluence : s.primaryCounts)[b], kBatchCount);
        fill(t.scatter[d], (fluence ? s.scatterFluence : s.scatterCounts)[b], kBatchCount);
    }
    formTotals(t);
    return t;
}

Tally trueFluenceTally(const Companion& c) {
    Tally t;
    for (int k = 0; k < c.binCount; ++k) t.incident[k + 1] = c.histories[k] / c.totalPhotons;
    for (int d = 0; d < kDepthCount; ++d) {
        for (int b = 0; b < kBatchCount; ++b) {
            for (int k = 0; k < c.binCount; ++k) {
                t.primary[d][k + 1] += c.spheres[d].primaryFluence[b][k];
                t.scatter[d][k + 1] += c.spheres[d].scatterFluence[b][k];
            }
        }
    }
    formTotals(t);
    return t;
}

std::array<Values, kBatchCount> batchFigures(const Companion& c, bool fluence, const CoefficientTable& table) {
    std::array<Values, kBatchCount> out;
    for (int b = 0; b < kBatchCount; ++b) out[b] = figures(batchTally(c, b, fluence), table);
    return out;
}

SpectrumBand band(const BatchTable& batches, int n) {
    SpectrumBand out;
    out.value.assign(n, 0);
    out.uncertainty.assign(n, 0);
    for (int k = 0; k < n; ++k) {
        std::array<double, kBatchCount> q{};
        for (int b = 0; b < kBatchCount; ++b) {
            q[b] = kBatchCount * batches[b][k];
            out.value[k] += batches[b][k];
        }
        out.uncertainty[k] = batchUncertainty(q);
    }
    return out;
}

BatchTable sumOf(const BatchTable& a, const BatchTable& b) {
    BatchTable out = a;
    for (int x = 0; x < kBatchCount; ++x) {
        for (std::size_t k = 0; k < out[x].size(); ++k) out[x][k] += b[x][k];
    }
    return out;
}

}  // namespace

std::optional<Estimate> ResultAnalysis::surfaceRatio() const {
    if (!trueFluence) return std::nullopt;
    return (*trueFluence)[1].totalToPrimaryKerma;
}

ResultAnalysis analyseResult(ResultFile result, std::optional<Companion> companion, const CoefficientTable& table) {
    if (companion) checkCompanionMatches(*companion, result);
    ResultAnalysis a;
    const Values counted = figures(resultTally(result), table);
    std::vector<double> incidentPhotons;
    if (companion) {
        a.method = UncertaintyMethod::Batches;
        a.counted = assemble(counted, batchUncertainties(batchFigures(*companion, false, table)));
        a.trueFluence = assemble(figures(trueFluenceTally(*companion), table),
                                 batchUncertainties(batchFigures(*companion, true, table)));
        for (int d = 0; d < kDepthCount; ++d) {
            const CompanionSphere& s = companion->spheres[d];
            a.trueSpectra[d].primary = band(s.primaryFluence, companion->binCount);
            a.trueSpectra[d].scatter = band(s.scatterFluence, companion->binCount);
            a.trueSpectra[d].total = band(sumOf(s.primaryFluence, s.scatterFluence), companion->binCount);
        }
        incidentPhotons = companion->incidentSpectrum;
    } else {
        a.method = UncertaintyMethod::Poisson;
        Values u{};
        for (int s = 0; s <= kDepthCount; ++s) u[s] = poissonUncertainties(result, counted, s, table);
        a.counted = assemble(counted, u);
        incidentPhotons.assign(result.incident.begin() + 1, result.incident.begin() + 1 + result.binCount);
    }
    try {
        a.incidentBeam = beamQuality(incidentPhotons, table);
    } catch (const AnalysisError& error) {
        throw AnalysisError(result.path.string() + ": the incident spectrum: " + error.what());
    }
    a.result = std::move(result);
    a.companion = std::move(companion);
    return a;
}

ResultAnalysis analyseResult(const std::filesystem::path& resultFile, const CoefficientTable& table) {
    ResultFile result = readResultFile(resultFile);
    std::optional<Companion> companion;
    const auto json = companionPath(resultFile);
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(json, error))) companion = readCompanion(json);
    return analyseResult(std::move(result), std::move(companion), table);
}

}  // namespace analysis
