#pragma once
// One run of Corvane from start to exit: the console dialogue, the two Enter
// waits, the data files, the spectrum, the histories and the result file.

#include <filesystem>
#include <functional>
#include <istream>
#include <ostream>

#include "files/run_parameters.h"
#include "run/console.h"

namespace corvane {

// Hour, minute and second of the local wall clock.
struct ClockTime {
    int hour = 0;
    int minute = 0;
    int second = 0;
};

ClockTime localClock();

struct RunOptions {
    // The working directory that holds "B2F.dat", the data files and the result.
    std::filesystem::path folder = ".";
    ConsoleEncoding encoding = ConsoleEncoding::Utf8;
    std::function<ClockTime()> clock = localClock;
    // No Enter waits: a run started from a script.
    bool batch = false;
    // The threads the histories run on; 0: the processors this process may
    // run on. The result is the same for any number.
    int threads = 0;
    // When set, the progress is one line updating in place on this terminal
    // instead of the bin lines on `out`.
    std::ostream* progressTerminal = nullptr;
};

// Runs the engine on the files of options.folder, talking through in, out (the
// dialogue and the progress lines) and err (error reports). Returns the exit
// status: 0 after the final Enter, else the ExitStatus of the failure.
int runEngine(std::istream& in, std::ostream& out, std::ostream& err, const RunOptions& options = {});

// Refuses conditions outside what the engine can compute or write: a tube
// voltage above 150 kV or negative, a target angle not strictly between 0 and
// 90 degrees, a negative filter thickness, field diameter or photon number, a
// photon total beyond single precision, and a result file name that is blank
// or could not be created (missing or unwritable folder, a folder of that
// name). The file itself is neither created nor touched. Throws EngineError
// (InvalidConditions) naming the field, its value and the limit.
void checkRunConditions(const RunParameters& parameters, const std::filesystem::path& folder);

}  // namespace corvane
