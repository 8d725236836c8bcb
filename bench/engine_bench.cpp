// Times the photon histories of the default conditions of the condition input
// window (100 kV, 12 degrees, 2.5 mm Al inherent, 1 mm Al, no Cu, 20 cm field,
// Tucker, constant potential, water) on a reduced photon number, driving the
// engine library directly, and prints histories and flights per second.
//
//   engine_bench [photons per cm2 (default 3000)] [--reference | --one-core | --cores N]
//
// The fast run takes every core of the machine, as Corvane does; --one-core
// times it on one core, --cores N on N, and --reference times the plain
// reading of the transport rules (on one core). The tally checksum printed
// last is the same for all of them.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "files/attenuation_table.h"
#include "files/material_table.h"
#include "transport/material_lookups.h"
#include "files/run_parameters.h"
#include "spectrum/incident_photons.h"
#include "transport/histories.h"
#include "transport/random_generator.h"
#include "transport/tallies.h"

using namespace corvane;

int main(int argc, char** argv) {
    std::string fluence = "3000";
    bool reference = false;
    int cores = availableCores();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--reference") == 0) reference = true;
        else if (std::strcmp(argv[i], "--one-core") == 0) cores = 1;
        else if (std::strcmp(argv[i], "--cores") == 0 && i + 1 < argc) cores = std::max(1, std::atoi(argv[++i]));
        else fluence = argv[i];
    }
    const std::filesystem::path data = SHIPPED_DATA;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("corvane_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    {
        std::ofstream b2f(folder / "B2F.dat", std::ios::binary);
        for (const std::string& line : {std::string("100.0"), std::string("12.0"), std::string("2.5"),
                                        std::string("1.0"), std::string("0.0"), std::string("20.0"), fluence,
                                        std::string("2"), std::string("1"), std::string("1"),
                                        std::string("bench.csv")}) {
            b2f << line << "\r\n";
        }
    }
    const RunParameters parameters = readRunParameters(folder / "B2F.dat");
    std::filesystem::remove_all(folder);

    const AttenuationTable attenuation = readAttenuationTable(data / "Att_Coeff2023.dat");
    IncidentSpectrum spectrum = computeTuckerSpectrum(parameters, attenuation);
    filterAndNormalise(spectrum, parameters, attenuation);
    const MaterialTable water = readMaterialTable(data / "water.dat");
    checkMaterialTable(water, "water.dat", 0.5f * static_cast<float>(parameters.binCount));
    checkHistoryCounts(parameters, spectrum);

    RandomGenerator random;
    random.initialise();
    Tallies tallies;
    tallies.clear();
    HistoryStatistics statistics;
    std::ostringstream progress;  // the progress lines are not timed on a console

    const std::clock_t cpuStart = std::clock();
    const auto start = std::chrono::steady_clock::now();
    if (reference) {
        runHistoriesReference(parameters, spectrum, water, random, tallies, progress, &statistics);
    } else if (cores == 1) {
        runHistories(parameters, spectrum, water, random, tallies, progress, &statistics, Cores::One);
    } else {
        ParallelSettings settings;
        settings.cores = cores;
        runHistoriesInParallel(parameters, spectrum, water, random, tallies, progress, &statistics, settings);
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // Processor time of the process, over all its threads: on one core the
    // figure that depends least on what else shares the machine.
    const double seconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;

    const std::uint64_t checksum = tallyChecksum(tallies);
    // The tallies per batch and the track lengths, in a checksum of their own
    // so that the one above stays comparable with runs that kept neither.
    const std::uint64_t batchChecksum = batchTallyChecksum(tallies);

    if (reference) std::printf("transport       reference (plain reading, one core)\n");
    else std::printf("transport       fast, %d core%s\n", cores, cores == 1 ? "" : "s");
    std::printf("photons/cm2     %s (20 cm field, %.0f photons)\n", fluence.c_str(), parameters.totalPhotons);
    std::printf("histories       %lld\n", static_cast<long long>(statistics.histories));
    std::printf("flights         %lld (%.3f per history)\n", static_cast<long long>(statistics.flights),
                static_cast<double>(statistics.flights) / static_cast<double>(statistics.histories));
    const double histories = static_cast<double>(statistics.histories);
    std::printf("time            %.3f s wall, %.3f s processor\n", wall, seconds);
    std::printf("histories/s     %.0f (%.3f us per history wall, %.3f us processor)\n", histories / wall,
                1e6 * wall / histories, 1e6 * seconds / histories);
    std::printf("flights/s       %.0f\n", static_cast<double>(statistics.flights) / wall);
    std::printf("tally checksum  %016llx\n", static_cast<unsigned long long>(checksum));
    std::printf("batch checksum  %016llx\n", static_cast<unsigned long long>(batchChecksum));
    return 0;
}
