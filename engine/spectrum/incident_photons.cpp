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
    const double xd = x;
    const double phi = 0.503f - 0.94597f * xd + 0.1553f * (xd * xd) + 1.1632f * (xd * xd * xd) -
                       0.6818f * (xd * xd * xd * xd);
    return a * (1 + t / 511.0) * phi;
}

// Tucker, Barnes and Chakraborty: the same step with their shape polynomial,
// energy factor and stopping-power fit.
double tuckerTerm(float e, float t, float x, double a) {
    const double xd = x;
    const double b = 1 - 5.049f * xd + 10.847f * (xd * xd) - 10.516f * (xd * xd * xd) + 3.842f * (xd * xd * xd * xd);
    const double stopping = 1036.1f * std::exp(-0.04695f * static_cast<double>(t)) + 202.41f;
    return (1 + 511.0 / t) * b * (0.03658f + 0.000029f * static_cast<double>(e)) / stopping * a;
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
        const float v = static_cast<float>(p.tubePotential * sinPhi);
        float w = 1;
        if (samples.currentWeighted) {
            w = static_cast<float>(sinPhi / 0.75f);
            if (w > 1) w = 1;
        }
        const float c = thomsonWhiddingtonConstant(v);
        const float percent = kLinePercent(v);
        // The whole part of 2V, never beyond the run's bins.
        const int n = static_cast<int>(std::min(2.0 * v, static_cast<double>(binCount)));

        phaseSpectrum.fill(0);
        for (int k = 2; k <= n; ++k) {
            const float e = 0.5f * k;
            float sum = 0;
            float t = e;
            do {
                const float x = static_cast<float>(static_cast<double>(e) / t);
                const float d = static_cast<float>((static_cast<double>(v) * v - static_cast<double>(t) * t) /
                                                   (19.3f * static_cast<double>(c)));
                const double a = std::exp(-static_cast<double>(table.muTarget[k]) * d * g);
                sum = static_cast<float>(sum + term(e, t, x, a));
                t = static_cast<float>(t + 0.5);
            } while (t <= v);
            phaseSpectrum[k] = sum;
        }

        // Tungsten K lines, as a share of this sample's bremsstrahlung. V > 70
        // puts n at 140 or more, so all four line bins lie inside the sample.
        if (v > 70 && n >= kFirstKLineBin) {
            float bremsstrahlung = 0;
            for (int k = 2; k <= n; ++k) bremsstrahlung = static_cast<float>(bremsstrahlung + static_cast<double>(phaseSpectrum[k]));
            const float kTotal = static_cast<float>(0.01f * static_cast<double>(percent) * bremsstrahlung);
            const struct { int bin; float fraction; } lines[] = {{119, 0.5048f}, {116, 0.2908f}, {134, 0.162f}, {138, 0.0424f}};
            for (const auto& line : lines) {
                if (line.bin > n) continue;
                phaseSpectrum[line.bin] =
                    static_cast<float>(phaseSpectrum[line.bin] + line.fraction * static_cast<double>(kTotal));
            }
        }

        for (int k = 2; k <= n; ++k) {
            spectrum[k] = static_cast<float>(spectrum[k] + static_cast<double>(w) * phaseSpectrum[k]);
        }
    }

    for (int k = 2; k <= binCount; ++k) {
        spectrum[k] = static_cast<float>(static_cast<double>(spectrum[k]) / sampleCount);
    }
    return spectrum;
}

}  // namespace

float thomsonWhiddingtonConstant(float v) {
    const double vd = v;
    return static_cast<float>(141766.0f + 12157.0f * vd - 111.046f * (vd * vd) + 0.552536f * (vd * vd * vd) -
                              0.000970158f * (vd * vd * vd * vd));
}

float kLinePercent(float v) {
    if (v <= 70) return 0;
    if (v <= 200) {
        return static_cast<float>((std::sqrt(8.79856f * static_cast<double>(v) - 595.149f) - 4.55528f) / 4.39928f);
    }
    return 7;
}

IncidentSpectrum computeBirchSpectrum(const RunParameters& parameters, const AttenuationTable& table) {
    // Obliquity of the photon path out of the target: the cotangent of the
    // target angle.
    const float g = static_cast<float>(1 / std::tan(static_cast<double>(parameters.targetAngle) * kPi / 180));
    return targetSpectrum(parameters, table, g, birchTerm);
}

IncidentSpectrum computeTuckerSpectrum(const RunParameters& parameters, const AttenuationTable& table) {
    // Tucker's obliquity factor: 1 / sin of the target angle.
    const float g = static_cast<float>(1 / std::sin(static_cast<double>(parameters.targetAngle) * kPi / 180));
    return targetSpectrum(parameters, table, g, tuckerTerm);
}

void filterAndNormalise(IncidentSpectrum& spectrum, const RunParameters& p, const AttenuationTable& table) {
    const int binCount = binsInTables(p.binCount);
    for (int k = 1; k <= binCount; ++k) {
        const double attenuation =
            std::exp(-static_cast<double>(table.muAluminium[k]) *
                         (static_cast<double>(p.inherentFiltrationCm) + p.aluminiumFilterCm) -
                     static_cast<double>(table.muCopper[k]) * p.copperFilterCm);
        spectrum[k] = static_cast<float>(spectrum[k] * attenuation / (0.5 * k));
    }
    if (binCount < 2) return;  // no photon energy of the run reaches 1 keV: nothing to normalise

    float sum = 0;
    for (int k = 2; k <= binCount; ++k) sum = static_cast<float>(sum + static_cast<double>(spectrum[k]));
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
    for (int k = 2; k <= binCount; ++k) spectrum[k] = static_cast<float>(static_cast<double>(spectrum[k]) / sum);
}

}  // namespace corvane
