#pragma once
// Corvane's command line: with no arguments the interactive run; options for
// scripts and batch schedulers.

#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Exit status of a command line Corvane does not understand (EX_USAGE).
constexpr int kUsageStatus = 64;

struct CommandLine {
    enum class Action { Run, Help, Version, Refused };
    Action action = Action::Run;
    bool batch = false;  // --batch: no Enter waits
    int threads = 0;     // --threads N; 0: the processors this process may run on
    std::string refusal; // why the command line was refused
};

// Reads the arguments after the program name: --help (-h), --version,
// --batch, --threads N (or --threads=N, N from 1 to 4096).
CommandLine parseCommandLine(const std::vector<std::string_view>& arguments);

// The text of --help and of --version.
std::string helpText();
std::string versionText();

// Corvane's whole program: reads the command line, then runs the engine on the
// files of the working directory. Returns the exit status.
int corvaneMain(int argc, char** argv);

}  // namespace corvane
