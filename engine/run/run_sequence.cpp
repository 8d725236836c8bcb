#include "run/run_sequence.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <exception>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "files/attenuation_table.h"
#include "files/companion_file.h"
#include "files/engine_error.h"
#include "files/file_names.h"
#include "files/fixed_field.h"
#include "files/material_table.h"
#include "files/message_text.h"
#include "model/arithmetic.h"
#include "transport/material_lookups.h"
#include "files/result_file.h"
#include "run/progress_line.h"
#include "spectrum/incident_photons.h"
#include "transport/histories.h"
#include "transport/random_generator.h"
#include "transport/tallies.h"

namespace corvane {
namespace {

constexpr const char* kRunParameterFile = "B2F.dat";
constexpr const char* kCoefficientFile = "Att_Coeff2023.dat";
constexpr float kMaxTubePotential = 150;  // 300 bins of 0.5 keV

void printBanner(Console& console) {
    console.line();
    console.line("  ----- モンテカルロシミュレーション -----");
    console.line("  ファントム中におけるＸ線スペクトルの計測");
    console.line();
    console.line("    * ファントムサイズ：60cmφ×30cm厚");
    console.line("    * 線源‐表面間距離  SSD = 70cm  一定");
    console.line("    * カウンタ：線束中心軸に設定した 1 cmφの球");
    console.line("    * 測定深：0, 2，5，10，15, 20 cm");
    console.line();
}

void printConditions(Console& console, const RunParameters& p) {
    console.line("  ---  照射条件  ---");
    console.line();
    console.line("    * 管電圧 = " + formatF(p.tubePotential, 6, 1) + " [kV]");
    if (p.rectificationCode == 1) {
        console.line("    * 高電圧整流方式：定電圧");
    } else if (p.rectificationCode == 2) {
        console.line("    * 高電圧整流方式：三相12ピーク");
    } else {
        console.line("    * 高電圧整流方式：単相全波");
    }
    console.line("    * ターゲット角 = " + formatF(p.targetAngle, 6, 1) + " [deg]");
    console.line("    * 固有ろ過 = " + formatF(p.inherentFiltration, 6, 3) + " [mmAl eq.]");
    console.line("    * 付加フィルタ Al = " + formatF(p.aluminiumFilter, 6, 3) + " [mm]");
    console.line("    * 付加フィルタ Cu = " + formatF(p.copperFilter, 6, 3) + " [mm]");
    console.line("    * 照射野直径 = " + formatF(p.fieldDiameter, 6, 1) + " [cm]");
    console.line("    * 入射光子数 = " + formatF(p.incidentFluence, 11, 0) + " [/cm2]");
    console.line(p.formulaCode == 1 ? "    * 入射Ｘ線スペクトル：Birch 式による" : "    * 入射Ｘ線スペクトル：Tucker 式による");
    console.line(p.materialCode == 1 ? "    * ファントム物質：水" : "    * ファントム物質：ICRU 軟部組織");
    console.line();
}

void printStartPrompt(Console& console) {
    console.line("  ---  Enter キーを押すと計算が開始されます  ---");
    console.line();
    console.line();
    console.line("  ---  計算には長時間を要する場合があります  ---");
    console.line("         計算開始後を計算を中止するには");
    console.line("             Ctrl+C を押して下さい");
    console.line();
}

std::string clockText(const ClockTime& t) {
    return formatI(t.hour, 2) + ":" + formatI(t.minute, 2) + ":" + formatI(t.second, 2);
}

// The first 20 bytes of the name line, as A20 shows them, without half of a
// UTF-8 character at the cut (blank-padded back to 20 so the line keeps its
// shape). Control bytes of the name show as "?", so that the name cannot act
// on the terminal.
std::string shownName(const RunParameters& p) {
    std::string shown = nameLine30(formatA(p.resultFileName, 20)).substr(0, 20);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const auto byte = static_cast<unsigned char>(shown[i]);
        const bool c1 = byte == 0xC2 && i + 1 < shown.size() && static_cast<unsigned char>(shown[i + 1]) < 0xA0 &&
                        static_cast<unsigned char>(shown[i + 1]) >= 0x80;
        if (byte < 0x20 || byte == 0x7F) shown[i] = '?';
        if (c1) shown[i] = shown[i + 1] = '?';
    }
    return shown;
}

EngineError invalid(const std::string& what) {
    return EngineError(ExitStatus::InvalidConditions, std::string("invalid conditions: ") + kRunParameterFile + ": " + what);
}

// The histories on the threads the options ask for, their progress as bin
// lines on `out` or as one line in place on the options' terminal.
void runHistoriesWithProgress(const RunParameters& parameters, const IncidentSpectrum& spectrum,
                              const MaterialTable& material, RandomGenerator& random, Tallies& tallies,
                              std::ostream& out, const RunOptions& options) {
    std::unique_ptr<InPlaceProgress> inPlace;
    if (options.progressTerminal) {
        std::vector<std::int64_t> historiesInBin(static_cast<std::size_t>(binsInTables(parameters.binCount)) + 1, 0);
        for (std::size_t k = 1; k < historiesInBin.size(); ++k) {
            historiesInBin[k] = historyCount(parameters, spectrum, static_cast<int>(k));
        }
        inPlace = std::make_unique<InPlaceProgress>(*options.progressTerminal, options.encoding, historiesInBin);
    }
    std::ostream& progress = inPlace ? inPlace->binLines() : out;
    const int threads = options.threads > 0 ? options.threads : availableCores();
    if (threads >= 2) {
        ParallelSettings settings;
        settings.cores = threads;
        runHistoriesInParallel(parameters, spectrum, material, random, tallies, progress, nullptr, settings);
    } else {
        runHistories(parameters, spectrum, material, random, tallies, progress, nullptr, Cores::One);
    }
    if (inPlace) inPlace->finish();
}

}  // namespace

ClockTime localClock() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_hour, local.tm_min, local.tm_sec};
}

void checkRunConditions(const RunParameters& p, const std::filesystem::path& folder) {
    if (p.tubePotential > kMaxTubePotential) {
        throw invalid("tubePotential = " + numberText(p.tubePotential) + " kV is above the limit of 150 kV");
    }
    if (p.tubePotential < 0) {
        throw invalid("tubePotential = " + numberText(p.tubePotential) + " kV is negative; the lowest value is 0 kV");
    }
    if (!(p.targetAngle > 0 && p.targetAngle < 90)) {
        throw invalid("targetAngle = " + numberText(p.targetAngle) +
                      " degrees is outside the limits; it must lie strictly between 0 and 90 degrees");
    }
    const struct {
        const char* field;
        float value;
        const char* unit;
    } nonNegative[] = {
        {"inherentFiltration", p.inherentFiltration, " mm"}, {"aluminiumFilter", p.aluminiumFilter, " mm"},
        {"copperFilter", p.copperFilter, " mm"},             {"fieldDiameter", p.fieldDiameter, " cm"},
        {"incidentFluence", p.incidentFluence, " /cm2"},
    };
    for (const auto& f : nonNegative) {
        if (f.value < 0) {
            throw invalid(std::string(f.field) + " = " + numberText(f.value) + f.unit +
                          " is negative; the lowest value is 0" + f.unit);
        }
    }
    if (!std::isfinite(p.totalPhotons)) {
        throw invalid("fieldDiameter = " + numberText(p.fieldDiameter) + " cm with incidentFluence = " +
                      numberText(p.incidentFluence) + " /cm2 gives more photons than the limit of 3.4e+38");
    }

    const std::string name = resultFileName(p);
    if (name.empty()) throw invalid("resultFileName (line 11) is blank; it must name the result file");
    if (name.find('\0') != std::string::npos) {
        throw invalid("resultFileName " + quotedBytes(name) + " holds a NUL byte, which no file name may hold");
    }
    if (const std::string problem = resultTargetProblem(folder, name); !problem.empty()) {
        throw invalid("resultFileName " + quotedBytes(name) + problem);
    }
    // The companion file is written beside the result under a name of its
    // own: what would stop its write is seen now too, not after the run.
    const std::string companion = companionFileName(name);
    if (const std::string problem = resultTargetProblem(folder, companion); !problem.empty()) {
        throw invalid("the companion file " + quotedBytes(companion) + " of resultFileName " + quotedBytes(name) + problem);
    }
}

int runEngine(std::istream& in, std::ostream& out, std::ostream& err, const RunOptions& options) {
    Console console(in, out, err, options.encoding);
    try {
        // Fixed-size run state: the random stream and the cleared tallies.
        RandomGenerator random;
        random.initialise();
        auto tallies = std::make_unique<Tallies>();
        tallies->clear();

        printBanner(console);

        const RunParameters parameters = readRunParameters(resolveFileName(options.folder, kRunParameterFile));
        printConditions(console, parameters);
        checkRunConditions(parameters, options.folder);

        printStartPrompt(console);
        if (!options.batch) console.waitForEnter();

        const AttenuationTable table = readAttenuationTable(resolveFileName(options.folder, kCoefficientFile));
        IncidentSpectrum spectrum = parameters.formulaCode == 1 ? computeBirchSpectrum(parameters, table)
                                                                 : computeTuckerSpectrum(parameters, table);
        filterAndNormalise(spectrum, parameters, table);
        checkHistoryCounts(parameters, spectrum);

        const std::string materialName = materialFileName(parameters.materialCode);
        const MaterialTable material = readMaterialTable(resolveFileName(options.folder, materialName));
        checkMaterialTable(material, materialName, 0.5f * static_cast<float>(parameters.binCount));

        const ClockTime start = options.clock();
        runHistoriesWithProgress(parameters, spectrum, material, random, *tallies, console.out(), options);
        formTotals(*tallies, parameters.binCount);

        console.line();
        console.line();
        console.line(" 計算開始時刻 =" + clockText(start));
        console.line();
        const ClockTime end = options.clock();
        console.line(" 計算終了時刻 =" + clockText(end));

        writeResultFile(options.folder, parameters, *tallies);
        // Beside it, after it: the tallies per batch and the true fluence.
        RunSpectrum runSpectrum;
        runSpectrum.incident = spectrum;
        for (int k = 1; k <= kBins; ++k) {
            runSpectrum.histories[static_cast<std::size_t>(k)] = historyCount(parameters, spectrum, k);
        }
        writeCompanionFile(options.folder, parameters, runSpectrum, *tallies);

        console.line();
        console.line("---  計算結果は " + shownName(parameters) + " に保存しました ---");
        console.line();
        console.line();
        console.line(" ---  Enter キーを押してください  ---");
        if (!options.batch) console.waitForEnter();
        console.line("Stop - Program terminated.");
        if (!console.flushed()) {
            // The run itself is complete and its result saved; only the
            // dialogue was lost (a closed pipe, a full device).
            console.error("write error: standard output: " + console.outputFailure() +
                          "; the run finished and its result was saved in " + quotedBytes(resultFileName(parameters)));
            return static_cast<int>(ExitStatus::ConsoleWriteFailed);
        }
        return static_cast<int>(ExitStatus::Success);
    } catch (const EngineError& e) {
        console.error(e.message());
        return static_cast<int>(e.status());
    } catch (const std::exception& e) {
        console.error(std::string("error: ") + e.what());
        return 1;
    }
}

}  // namespace corvane
