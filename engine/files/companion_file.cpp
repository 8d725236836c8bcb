#include "files/companion_file.h"

#include <charconv>
#include <cmath>
#include <numbers>
#include <string_view>

#include <nlohmann/json.hpp>

#include "files/atomic_file.h"
#include "files/engine_error.h"
#include "files/file_names.h"
#include "files/result_file.h"
#include "model/arithmetic.h"

namespace corvane {
namespace {

using nlohmann::json;

// A stored single-precision value as the shortest decimal that reads back as
// it (0.1f is written 0.1, not 0.10000000149011612).
double shortest(float value) {
    if (!std::isfinite(value)) return asDouble(value);
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    double result = 0;
    std::from_chars(text, end, result);
    return result;
}

// [batch][bin 1..n] of a tally kept per batch, each cell through `value`.
template <class Cell, class Value>
json perBatch(int n, Cell cell, Value value) {
    json batches = json::array();
    for (int b = 0; b < kBatches; ++b) {
        json bins = json::array();
        for (int k = 1; k <= n; ++k) bins.push_back(value(cell(b, k)));
        batches.push_back(std::move(bins));
    }
    return batches;
}

}  // namespace

std::string companionFileName(const std::string& resultName) {
    constexpr std::string_view csv = ".csv";
    if (resultName.size() >= csv.size()) {
        const std::string_view tail = std::string_view(resultName).substr(resultName.size() - csv.size());
        bool same = true;
        for (std::size_t i = 0; i < csv.size(); ++i) {
            const char c = tail[i] >= 'A' && tail[i] <= 'Z' ? static_cast<char>(tail[i] - 'A' + 'a') : tail[i];
            same = same && c == csv[i];
        }
        if (same) return resultName.substr(0, resultName.size() - csv.size()) + ".json";
    }
    return resultName + ".json";
}

double sphereVolumeCm3() {
    const double r = 0.5;
    return 4.0 / 3.0 * std::numbers::pi * r * r * r;
}

std::string formatCompanionFile(const RunParameters& p, const RunSpectrum& spectrum, const Tallies& tallies) {
    const int n = binsInTables(p.binCount);
    const auto bin = [](int k) { return static_cast<std::size_t>(k); };

    json conditions = {
        {"tubePotential", shortest(p.tubePotential)},
        {"targetAngle", shortest(p.targetAngle)},
        {"inherentFiltration", shortest(p.inherentFiltration)},
        {"aluminiumFilter", shortest(p.aluminiumFilter)},
        {"copperFilter", shortest(p.copperFilter)},
        {"fieldDiameter", shortest(p.fieldDiameter)},
        {"incidentFluence", shortest(p.incidentFluence)},
        {"formulaCode", p.formulaCode},
        {"rectificationCode", p.rectificationCode},
        {"materialCode", p.materialCode},
        {"resultFileName", resultFileName(p)},
    };

    json incident = json::array(), histories = json::array();
    for (int k = 1; k <= n; ++k) {
        incident.push_back(shortest(spectrum.incident[bin(k)]));
        histories.push_back(spectrum.histories[bin(k)]);
    }
    const auto asIs = [](std::int64_t v) { return v; };
    // Track length in cm over the sphere volume, per unit incident fluence;
    // a run without photons has no fluence.
    const double perUnit = p.incidentFluence > 0
                               ? 1.0 / kTrackUnitsPerCm / sphereVolumeCm3() / asDouble(p.incidentFluence)
                               : 0.0;
    const auto fluence = [perUnit](std::int64_t units) { return static_cast<double>(units) * perUnit; };

    json spheres = json::array();
    for (int j = 1; j <= kSpheres; ++j) {
        json sphere = {{"depthCm", shortest(kSphereDepths[bin(j - 1)])}};
        for (int c = 1; c <= 2; ++c) {
            const auto cell = [&](const Tallies::BatchCells& cells) {
                return [&cells, j, c](int b, int k) {
                    return cells[static_cast<std::size_t>(b)][static_cast<std::size_t>(j - 1)]
                                [static_cast<std::size_t>(c - 1)][static_cast<std::size_t>(k)];
                };
            };
            sphere[c == 1 ? "primary" : "scatter"] = {
                {"counts", perBatch(n, cell(tallies.batchCounts), asIs)},
                {"fluence", perBatch(n, cell(tallies.trackLength), fluence)},
            };
        }
        spheres.push_back(std::move(sphere));
    }

    const json document = {
        {"format", "corvane-spectra/1"},
        {"conditions", std::move(conditions)},
        {"photonsPerCm2", shortest(p.incidentFluence)},
        {"totalPhotons", shortest(p.totalPhotons)},
        {"binWidthKeV", 0.5},
        {"binCount", n},
        {"batches", kBatches},
        {"sphereRadiusCm", 0.5},
        {"incidentSpectrum", std::move(incident)},
        {"histories", std::move(histories)},
        {"incidentCounts",
         perBatch(n, [&](int b, int k) { return tallies.batchIncident[static_cast<std::size_t>(b)][bin(k)]; }, asIs)},
        {"spheres", std::move(spheres)},
    };
    // A name that is not UTF-8 is written with replacement characters rather
    // than refused.
    return document.dump(-1, ' ', false, json::error_handler_t::replace) + "\r\n";
}

void writeCompanionFile(const std::filesystem::path& folder, const RunParameters& p, const RunSpectrum& spectrum,
                        const Tallies& tallies) {
    const std::string resultName = resultFileName(p);
    if (resultName.empty()) throw writeError("(blank name)", "the result file name is blank");
    const std::string name = companionFileName(resultName);
    replaceFileWhole(folder, name, formatCompanionFile(p, spectrum, tallies));
}

}  // namespace corvane
