#include "spectrum/incident_photons.h"

// Arithmetic rule of the engine: every stored value is a float; a formula is
// evaluated in double, left to right, with its decimal constants as float
// literals (each rounded to single precision, then promoted), powers as
// repeated multiplication, and rounded to float once when its result is
// stored. The spectrum feeds the history counts of every bin, so a changed
// last bit here changes the random path of a run.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "files/engine_error.h"
#include "files/message_text.h"
#include "model/arithmetic.h"

namespace corvane {
namespace {

constexpr int kFirstKLineBin = 116;

// The voltage samples of one waveform period, in increasing phase angle.
struct PhaseSamples {
    int first;
    int last;
    int step;
    bool currentWeighted;  // single-phase full-wave: weight min(sin(phi) / 0.75, 1)
};

PhaseSamples phaseSamples(std::int32_t rectificationCode) {
    if (rectificationCode == 1) return {90, 90, 1, false};  // constant potential
    if (rectificationCode == 2) return {75, 90, 1, false};  // three-phase 12-peak
    return {2, 90, 2, rectificationCode == 3};              // single-phase full-wave
}

// Birch and Marshall: one integration step for photon energy e and electron
// energy t, with the self-absorption factor a of the path out of the target.
double birchTerm(float /*e*/, float t, float x, double a) {
    const double xd = asDouble(x);
    const double phi = 0.503f - 0.94597f * xd + 0.1553f * (xd * xd) + 1.1632f * (xd * xd * xd) -
                       0.6818f * (xd * xd * xd * xd);
    return a * (1 + t / 511.0) * phi;
}

// Tucker, Barnes and Chakraborty: the same step with their shape polynomial,
// energy factor and stopping-power fit.
double tuckerTerm(float e, float t, float x, double a) {
    const double xd = asDouble(x);
    const double b = 1 - 5.049f * xd + 10.847f * (xd * xd) - 10.516f * (xd * xd * xd) + 3.842f * (xd * xd * xd * xd);
    const double stopping = 1036.1f * std::exp(-0.04695f * asDouble(t)) + 202.41f;
    return (1 + 511.0 / t) * b * (0.03658f + 0.000029f * asDouble(e)) / stopping * a;
}

// The frame common to both formulas: voltage samples, electron slowing down in
// the target, self-absorption, K lines and the average over the samples.
template <class Term>
IncidentSpectrum targetSpectrum(const RunParameters& p, const AttenuationTable& table, float g, Term term) {
    IncidentSpectrum spectrum{};
    IncidentSpectrum phaseSpectrum{};
    const int binCount = binsInTables(p.binCount);
    const PhaseSamples samples = phaseSamples(p.rectificationCode);
    std::int32_t sampleCount = 0;

    for (int phi = samples.first; phi <= samples.last; phi += samples.step) {
        ++sampleCount;
        const double sinPhi = std::sin(static_cast<double>(phi) * kPi / 180);
        const float v = storeFloat(p.tubePotential * sinPhi);
        float w = 1;
        if (samples.currentWeighted) {
            w = storeFloat(sinPhi / 0.75f);
            if (w > 1) w = 1;
        }
        const float c = thomsonWhiddingtonConstant(v);
        const float percent = kLinePercent(v);
        // The whole part of 2V, never beyond the run's bins.
        const int n = truncateToInt(std::min(2.0 * v, static_cast<double>(binCount)));

        phaseSpectrum.fill(0);
        for (int k = 2; k <= n; ++k) {
            const float e = 0.5f * k;
            float sum = 0;
            float t = e;
            do {
                const float x = storeFloat(asDouble(e) / t);
                const float d = storeFloat((asDouble(v) * v - asDouble(t) * t) /
                                                   (19.3f * asDouble(c)));
                const double a = std::exp(-asDouble(table.muTarget[k]) * d * g);
                sum = storeFloat(sum + term(e, t, x, a));
                t = storeFloat(t + 0.5);
            } while (t <= v);
            phaseSpectrum[k] = sum;
        }

        // Tungsten K lines, as a share of this sample's bremsstrahlung. V > 70
        // puts n at 140 or more, so all four line bins lie inside the sample.
        if (v > 70 && n >= kFirstKLineBin) {
            float bremsstrahlung = 0;
            for (int k = 2; k <= n; ++k) bremsstrahlung = storeFloat(bremsstrahlung + asDouble(phaseSpectrum[k]));
            const float kTotal = storeFloat(0.01f * asDouble(percent) * bremsstrahlung);
            const struct { int bin; float fraction; } lines[] = {{119, 0.5048f}, {116, 0.2908f}, {134, 0.162f}, {138, 0.0424f}};
            for (const auto& line : lines) {
                if (line.bin > n) continue;
                phaseSpectrum[line.bin] =
                    storeFloat(phaseSpectrum[line.bin] + line.fraction * asDouble(kTotal));
            }
        }

        for (int k = 2; k <= n; ++k) {
            spectrum[k] = storeFloat(spectrum[k] + asDouble(w) * phaseSpectrum[k]);
        }
    }

    for (int k = 2; k <= binCount; ++k) {
        spectrum[k] = storeFloat(asDouble(spectrum[k]) / sampleCount);
    }
    return spectrum;
}

}  // namespace

float thomsonWhiddingtonConstant(float v) {
    const double vd = asDouble(v);
    return storeFloat(141766.0f + 12157.0f * vd - 111.046f * (vd * vd) + 0.552536f * (vd * vd * vd) -
                              0.000970158f * (vd * vd * vd * vd));
}

float kLinePercent(float v) {
    if (v <= 70) return 0;
    if (v <= 200) {
        return storeFloat((std::sqrt(8.79856f * asDouble(v) - 595.149f) - 4.55528f) / 4.39928f);
    }
    return 7;
}

IncidentSpectrum computeBirchSpectrum(const RunParameters& parameters, const AttenuationTable& table) {
    // Obliquity of the photon path out of the target: the cotangent of the
    // target angle.
    const float g = storeFloat(1 / std::tan(asDouble(parameters.targetAngle) * kPi / 180));
    return targetSpectrum(parameters, table, g, birchTerm);
}

IncidentSpectrum computeTuckerSpectrum(const RunParameters& parameters, const AttenuationTable& table) {
    // Tucker's obliquity factor: 1 / sin of the target angle.
    const float g = storeFloat(1 / std::sin(asDouble(parameters.targetAngle) * kPi / 180));
    return targetSpectrum(parameters, table, g, tuckerTerm);
}

void filterAndNormalise(IncidentSpectrum& spectrum, const RunParameters& p, const AttenuationTable& table) {
    const int binCount = binsInTables(p.binCount);
    for (int k = 1; k <= binCount; ++k) {
        const double attenuation =
            std::exp(-asDouble(table.muAluminium[k]) *
                         (asDouble(p.inherentFiltrationCm) + p.aluminiumFilterCm) -
                     asDouble(table.muCopper[k]) * p.copperFilterCm);
        spectrum[k] = storeFloat(spectrum[k] * attenuation / (0.5 * k));
    }
    if (binCount < 2) return;  // no photon energy of the run reaches 1 keV: nothing to normalise

    float sum = 0;
    for (int k = 2; k <= binCount; ++k) sum = storeFloat(sum + asDouble(spectrum[k]));
    if (!std::isfinite(sum)) {
        // Not a spectrum at all: the formula broke down at these conditions,
        // typically an obliquity factor beyond single precision at a target
        // angle extremely close to 0 degrees.
        throw EngineError(ExitStatus::InvalidConditions,
                          "invalid conditions: the spectrum cannot be computed at tubePotential = " +
                              numberText(p.tubePotential) + " kV, targetAngle = " + numberText(p.targetAngle) +
                              " degrees (" + (p.formulaCode == 1 ? "Birch" : "Tucker") +
                              " formula): its bins do not sum to a finite number; a target angle this close to 0 "
                              "degrees is beyond the formula");
    }
    if (!(sum > 0)) {
        throw EngineError(ExitStatus::InvalidConditions,
                          "invalid conditions: the filtered spectrum has no photons left (sum of bins 2 to " +
                              std::to_string(binCount) + " = " + numberText(sum) + ") at tubePotential = " +
                              numberText(p.tubePotential) + " kV behind inherentFiltration = " +
                              numberText(p.inherentFiltration) + " mm, aluminiumFilter = " +
                              numberText(p.aluminiumFilter) + " mm, copperFilter = " + numberText(p.copperFilter) +
                              " mm; raise the tube voltage or thin the filters");
    }
    for (int k = 2; k <= binCount; ++k) spectrum[k] = storeFloat(asDouble(spectrum[k]) / sum);
}

}  // namespace corvane
