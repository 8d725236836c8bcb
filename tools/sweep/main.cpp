// corvane-sweep: runs Corvane over a table of conditions and collects one
// summary; see corvane-sweep --help.

#include <unistd.h>

#include <filesystem>
#include <iostream>

#include "figures.h"
#include "sweep_main.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    // The program's own path, for the commands the executors hand to GNU
    // parallel and SLURM.
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::string self = ec ? std::string(argv[0]) : exe.string();
    return sweep::sweepMain(arguments, self, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1, sweep::figuresOfRun);
}
