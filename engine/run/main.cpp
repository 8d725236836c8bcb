// Corvane: one Monte Carlo run on the files of the current working directory.
// No arguments; the conditions come from "B2F.dat".

#include <iostream>

#include "run/console.h"
#include "run/process_signals.h"
#include "run/run_sequence.h"

int main() {
    corvane::ignoreSignalsThatWouldLoseARun();
    corvane::RunOptions options;
    options.encoding = corvane::consoleEncodingFromLocale();
    return corvane::runEngine(std::cin, std::cout, std::cerr, options);
}
