// Gold values: the exact outcome of small runs with the shipped data files and
// the draw-by-draw course of a few photon histories, kept as text files under
// fixtures/gold. Every other transport test compares one path of the engine
// with another; these compare with fixed numbers, so a change that moves the
// results of every path together (a reordered sum, a compiler flag, an edit of
// an interpolation) fails here.
//
// The files are written only by this program with `--update <folder>` (run by
// ./scripts/gold --update); a change of the bits then shows as a diff of the
// files, to be reviewed and committed with the reason.

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "files/attenuation_table.h"
#include "files/material_table.h"
#include "transport/material_lookups.h"
#include "files/result_file.h"
#include "files/run_parameters.h"
#include "spectrum/incident_photons.h"
#include "transport/fast_physics.h"
#include "transport/histories.h"
#include "transport/photon_history.h"
#include "transport/random_generator.h"
#include "transport/reference_physics.h"
#include "transport/tallies.h"

namespace fs = std::filesystem;
using namespace corvane;

namespace {

const fs::path kGoldFolder = fs::path(ENGINE_FIXTURES) / "gold";

// Floats with 9 significant digits and doubles with 17 read back to the same
// bits, so the text is exact and still readable.
std::string real(float v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(v));
    return buffer;
}

std::string real(double v) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", v);
    return buffer;
}

// A condition as written in "B2F.dat", for the title line.
std::string condition(float v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(v));
    return buffer;
}

// ---------------------------------------------------------------- runs

struct GoldRun {
    const char* name;  // the fixture file is <name>.txt
    float tubePotential;
    float inherentFiltration;
    float aluminiumFilter;
    float copperFilter;
    float fieldDiameter;
    float incidentFluence;
    int formulaCode;
    int rectificationCode;
    int materialCode;
};

// About 10^4 histories each (the fluence times the field area); target angle
// 12 degrees throughout.
const GoldRun kGoldRuns[] = {
    {"birch_80kV_constant_water_cu", 80, 1, 0, 0.1f, 10, 128, 1, 1, 1},
    {"tucker_100kV_constant_water_al", 100, 2.5f, 1, 0, 20, 32, 2, 1, 1},
    {"birch_120kV_twelve_peak_soft_cu", 120, 2.5f, 0, 0.2f, 10, 128, 1, 2, 2},
    {"tucker_70kV_single_phase_soft_unfiltered", 70, 0, 0, 0, 10, 128, 2, 3, 2},
    {"tucker_150kV_twelve_peak_water_cu", 150, 2.5f, 2, 0.5f, 15, 57, 2, 2, 1},
    {"birch_150kV_single_phase_soft_al", 150, 1, 3, 0, 5, 510, 1, 3, 2},
    {"birch_50kV_constant_water_unfiltered", 50, 0, 0, 0, 10, 128, 1, 1, 1},
    {"birch_80kV_constant_water_no_field", 80, 1, 0, 0.1f, 0, 100000, 1, 1, 1},
};

void PrintTo(const GoldRun& run, std::ostream* out) { *out << run.name; }

// The result rows pinned of each run: every 20th bin and the last one.
constexpr int kRowStep = 20;

RunParameters parametersOf(const GoldRun& run) {
    RunParameters p;
    p.tubePotential = run.tubePotential;
    p.targetAngle = 12;
    p.inherentFiltration = run.inherentFiltration;
    p.aluminiumFilter = run.aluminiumFilter;
    p.copperFilter = run.copperFilter;
    p.fieldDiameter = run.fieldDiameter;
    p.incidentFluence = run.incidentFluence;
    p.formulaCode = run.formulaCode;
    p.rectificationCode = run.rectificationCode;
    p.materialCode = run.materialCode;
    p.resultFileName = nameLine30("gold.csv");
    deriveRunValues(p);
    return p;
}

// The lines of `text` that start with the bin energies pinned.
std::string pinnedRows(const std::string& text, int binCount) {
    std::istringstream in(text);
    std::string line, rows;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        const int k = lineNumber - 11;  // 11 header lines, then bin 1
        if (k >= 1 && (k % kRowStep == 0 || k == binCount)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            rows += "row " + line + "\n";
        }
    }
    return rows;
}

// The whole gold text of one run, computed on one core with the fast
// transport, as Corvane computes it.
std::string goldRunText(const GoldRun& run) {
    const RunParameters p = parametersOf(run);
    const fs::path data = SHIPPED_DATA;
    const AttenuationTable attenuation = readAttenuationTable(data / "Att_Coeff2023.dat");
    IncidentSpectrum spectrum =
        p.formulaCode == 1 ? computeBirchSpectrum(p, attenuation) : computeTuckerSpectrum(p, attenuation);
    filterAndNormalise(spectrum, p, attenuation);
    const std::string materialName = materialFileName(p.materialCode);
    const MaterialTable material = readMaterialTable(data / materialName);
    checkMaterialTable(material, materialName, 0.5f * static_cast<float>(p.binCount));
    checkHistoryCounts(p, spectrum);

    RandomGenerator random;
    random.initialise();
    auto tallies = std::make_unique<Tallies>();
    tallies->clear();
    HistoryStatistics statistics;
    std::ostringstream progress;
    runHistories(p, spectrum, material, random, *tallies, progress, &statistics, Cores::One);

    char checksum[32];
    std::snprintf(checksum, sizeof checksum, "%016" PRIx64, tallyChecksum(*tallies));
    std::string text;
    text += "# " + std::string(run.name) + ": " + condition(run.tubePotential) + " kV, 12 deg, inherent " +
            condition(run.inherentFiltration) + " mm Al, Al " + condition(run.aluminiumFilter) + " mm, Cu " +
            condition(run.copperFilter) + " mm, field " + condition(run.fieldDiameter) + " cm, " +
            condition(run.incidentFluence) +
            " photons/cm2, formula " + std::to_string(run.formulaCode) + ", rectification " +
            std::to_string(run.rectificationCode) + ", material " + std::to_string(run.materialCode) + "\n";
    text += "histories " + std::to_string(statistics.histories) + "\n";
    text += "flights " + std::to_string(statistics.flights) + "\n";
    text += "draws " + std::to_string(random.position()) + "\n";
    text += "tally checksum " + std::string(checksum) + "\n";
    formTotals(*tallies, p.binCount);
    text += pinnedRows(formatResultFile(p, *tallies), p.binCount);
    return text;
}

// ---------------------------------------------------------------- histories

// Wraps a physics and writes down, in order, every step of trackPhoton that
// goes through it, each with the number of draws taken from the stream so far.
template <class Physics>
class TracingPhysics {
public:
    TracingPhysics(Physics& physics, const RandomGenerator& random, std::uint64_t start)
        : physics_(physics), random_(random), start_(start), smax(physics.smax), cmax(physics.cmax) {}

    FlightCoefficients flightCoefficientsAt(float e) {
        const FlightCoefficients c = physics_.flightCoefficientsAt(e);
        event("coefficients e " + real(e) + " mu " + real(c.mu) + " pe " + real(c.probabilityPe) + " pe+coh " +
              real(c.probabilityPc));
        return c;
    }

    FlightDraw drawFlight(RandomGenerator& random) {
        const FlightDraw d = physics_.drawFlight(random);
        event("flight draw lnR1 " + real(d.logR1) + " R2 " + real(d.r2));
        return d;
    }

    void score(Tallies& tallies, float x0, float y0, float z0, float x1, float y1, float z1, float cosTheta, float e,
               int component, int batch = 0) {
        physics_.score(tallies, x0, y0, z0, x1, y1, z1, cosTheta, e, component, batch);
        event("flight " + (component == 1 ? std::string("primary") : std::string("scattered")) + " from " + real(x0) +
              " " + real(y0) + " " + real(z0) + " to " + real(x1) + " " + real(y1) + " " + real(z1));
    }

    bool escapes(float x1, float y1, float z1) {
        escaped_ = physics_.escapes(x1, y1, z1);
        if (escaped_) event("escape");
        return escaped_;
    }

    Scatter sampleCoherent(float e, RandomGenerator& random) {
        return scattered("coherent", physics_.sampleCoherent(e, random));
    }

    Scatter sampleIncoherent(float e, RandomGenerator& random) {
        return scattered("incoherent", physics_.sampleIncoherent(e, random));
    }

    Direction rotate(const Direction& old, float cosThetaS, float sinThetaS, RandomGenerator& random) {
        const Direction d = physics_.rotate(old, cosThetaS, sinThetaS, random);
        event("direction cos theta " + real(d.cosTheta) + " sin theta " + real(d.sinTheta) + " cos phi " +
              real(d.cosPhi) + " sin phi " + real(d.sinPhi));
        return d;
    }

    // How the history ended, judged from its last step: an escape, a scatter
    // below the cutoff energy, or else a flight that ended in absorption.
    std::string ending() const {
        if (escaped_) return "escaped";
        if (lastWasScatter_ && lastScatterEnergy_ < kEnergyCutoff) return "below the cutoff";
        return "absorbed";
    }

    const std::string& text() const { return text_; }

private:
    Scatter scattered(const char* kind, const Scatter& s) {
        event(std::string(kind) + " e " + real(s.energy) + " cos " + real(s.cosTheta) + " sin " + real(s.sinTheta));
        lastWasScatter_ = true;
        lastScatterEnergy_ = s.energy;
        return s;
    }

    void event(const std::string& what) {
        lastWasScatter_ = false;
        text_ += "  draws " + std::to_string(random_.position() - start_) + ": " + what + "\n";
    }

    Physics& physics_;
    const RandomGenerator& random_;
    std::uint64_t start_;
    std::string text_;
    bool escaped_ = false;
    bool lastWasScatter_ = false;
    float lastScatterEnergy_ = 0;

public:
    const float smax;
    const float cmax;
};

struct GoldHistories {
    const char* title;
    int materialCode;
    int bin;
    float fieldDiameter;
    int histories;
};

// Consecutive histories of one bin from the start of the stream, chosen so
// that among them every interaction kind and every way of ending occurs.
const GoldHistories kGoldHistories[] = {
    {"water, 60 keV, 10 cm field", 1, 120, 10, 6},
    {"ICRU soft tissue, 40 keV, 1 cm field", 2, 80, 1, 10},
    {"water, 150 keV, no field (on the axis)", 1, 300, 0, 3},
};

// The cells a history counted in, as "incident k" and "sphere j component c
// bin k" with their counts.
std::string countedCells(const Tallies& tallies) {
    std::string cells;
    for (int k = 1; k <= kBins; ++k) {
        if (const std::int64_t n = tallies.incident[static_cast<std::size_t>(k)]; n != 0) {
            cells += " incident bin " + std::to_string(k) + " x" + std::to_string(n) + ";";
        }
    }
    for (int j = 1; j <= kSpheres; ++j)
        for (int c = 1; c <= kComponents; ++c)
            for (int k = 1; k <= kBins; ++k) {
                const auto& cell = tallies.depth[static_cast<std::size_t>(j)][static_cast<std::size_t>(c)];
                const std::int64_t n = cell[static_cast<std::size_t>(k)];
                if (n != 0) {
                    cells += " sphere " + std::to_string(j) + " component " + std::to_string(c) + " bin " +
                             std::to_string(k) + " x" + std::to_string(n) + ";";
                }
            }
    return cells.empty() ? " nothing" : cells;
}

template <class Physics>
std::string traceHistories(const GoldHistories& set, Physics& physics) {
    RandomGenerator random;
    random.initialise();
    std::string text = "# " + std::string(set.title) + "\n";
    for (int h = 1; h <= set.histories; ++h) {
        auto tallies = std::make_unique<Tallies>();
        tallies->clear();
        const std::uint64_t start = random.position();
        TracingPhysics<Physics> tracing(physics, random, start);
        const std::int64_t flights = trackPhoton(set.bin, set.fieldDiameter, tracing, random, *tallies);
        text += "history " + std::to_string(h) + " from draw " + std::to_string(start) + "\n";
        text += tracing.text();
        text += "  " + tracing.ending() + " after " + std::to_string(flights) + " flights and " +
                std::to_string(random.position() - start) + " draws\n";
        text += "  counted:" + countedCells(*tallies) + "\n";
    }
    return text;
}

MaterialTable shippedMaterial(int materialCode) {
    return readMaterialTable(fs::path(SHIPPED_DATA) / materialFileName(materialCode));
}

// The trace of every set under the plain reading of the rules
// (ReferencePhysics) or under the fast transport (FastPhysics).
template <class Physics>
std::string traces() {
    std::string text;
    for (const GoldHistories& set : kGoldHistories) {
        const MaterialTable material = shippedMaterial(set.materialCode);
        Physics physics(material);
        text += traceHistories(set, physics);
    }
    return text;
}

const char* const kTraceFile = "histories.txt";

// ---------------------------------------------------------------- files

std::string readText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeText(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) throw std::runtime_error("cannot write " + file.string());
}

// Compares line by line, so a failure names the first lines that differ
// instead of printing two whole files.
void expectSameText(const std::string& expected, const std::string& actual, const std::string& file) {
    std::istringstream e(expected), a(actual);
    std::string le, la;
    int line = 0, differences = 0;
    for (;;) {
        const bool moreE = static_cast<bool>(std::getline(e, le));
        const bool moreA = static_cast<bool>(std::getline(a, la));
        if (!moreE && !moreA) break;
        ++line;
        if (!moreE) le = "(end of file)";
        if (!moreA) la = "(end of text)";
        if (le != la && ++differences <= 5) {
            ADD_FAILURE() << file << " line " << line << "\n  gold:     " << le << "\n  computed: " << la;
        }
    }
    EXPECT_EQ(differences, 0) << file << ": " << differences
                              << " lines differ; if the change of the bits is intended, run ./scripts/gold --update "
                                 "and commit the diff with the reason";
}

int updateGoldFiles(const fs::path& folder) {
    fs::create_directories(folder);
    for (const GoldRun& run : kGoldRuns) writeText(folder / (std::string(run.name) + ".txt"), goldRunText(run));
    const std::string reference = traces<ReferencePhysics>();
    if (traces<FastPhysics>() != reference) {
        std::cerr << "the fast transport traces differ from the reference; gold files not updated\n";
        return 1;
    }
    writeText(folder / kTraceFile, reference);
    std::cout << "gold files written to " << folder.string() << "\n";
    return 0;
}

class GoldRunTest : public ::testing::TestWithParam<GoldRun> {};

TEST_P(GoldRunTest, ChecksumCountsAndRowsMatchTheGoldFile) {
    const GoldRun& run = GetParam();
    const fs::path file = kGoldFolder / (std::string(run.name) + ".txt");
    ASSERT_TRUE(fs::exists(file)) << file;
    expectSameText(readText(file), goldRunText(run), file.string());
}

INSTANTIATE_TEST_SUITE_P(GoldValues, GoldRunTest, ::testing::ValuesIn(kGoldRuns),
                         [](const ::testing::TestParamInfo<GoldRun>& info) { return std::string(info.param.name); });

TEST(GoldValues, ReferenceHistoriesFollowTheGoldTraceDrawByDraw) {
    const fs::path file = kGoldFolder / kTraceFile;
    ASSERT_TRUE(fs::exists(file)) << file;
    expectSameText(readText(file), traces<ReferencePhysics>(), file.string());
}

TEST(GoldValues, FastHistoriesFollowTheGoldTraceDrawByDraw) {
    const fs::path file = kGoldFolder / kTraceFile;
    ASSERT_TRUE(fs::exists(file)) << file;
    expectSameText(readText(file), traces<FastPhysics>(), file.string());
}

// The traces are only worth their size if they pass through every branch of
// a history: both scatters, absorption, escape, a scattered flight, and a
// photon scattered from the axis.
TEST(GoldValues, TracesCoverEveryKindOfStep) {
    const std::string trace = readText(kGoldFolder / kTraceFile);
    for (const char* step : {": coherent e", ": incoherent e", "  absorbed after", "  escaped after",
                             "flight scattered", "direction cos theta", " incident bin ", " component 1 ",
                             " component 2 "}) {
        EXPECT_NE(trace.find(step), std::string::npos) << step;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--update") == 0) return updateGoldFiles(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
