#include "run/command_line.h"

#include <unistd.h>

#include <charconv>
#include <iostream>

#include "files/message_text.h"
#include "run/console.h"
#include "run/process_signals.h"
#include "run/progress_line.h"
#include "run/run_sequence.h"

#ifndef CORVANE_VERSION
#define CORVANE_VERSION "unknown"
#endif

namespace corvane {
namespace {

constexpr int kMaxThreads = 4096;

CommandLine refused(const std::string& why) {
    CommandLine line;
    line.action = CommandLine::Action::Refused;
    line.refusal = why;
    return line;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string_view>& arguments) {
    CommandLine line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view a = arguments[i];
        if (a == "--help" || a == "-h") {
            line.action = CommandLine::Action::Help;
            return line;
        }
        if (a == "--version") {
            line.action = CommandLine::Action::Version;
            return line;
        }
        if (a == "--batch") {
            line.batch = true;
            continue;
        }
        std::string_view value;
        if (a == "--threads") {
            if (i + 1 == arguments.size()) return refused("--threads needs a number of threads");
            value = arguments[++i];
        } else if (a.substr(0, 10) == "--threads=") {
            value = a.substr(10);
        } else {
            return refused("unknown argument \"" + safeText(a) + "\"");
        }
        int threads = 0;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), threads);
        if (value.empty() || ec != std::errc() || end != value.data() + value.size() || threads < 1 ||
            threads > kMaxThreads) {
            return refused("--threads \"" + safeText(value) + "\" is not a whole number from 1 to " +
                           std::to_string(kMaxThreads));
        }
        line.threads = threads;
    }
    return line;
}

std::string helpText() {
    return "使い方: Corvane [--batch] [--threads N]\n"
           "Usage: Corvane [--batch] [--threads N]\n"
           "\n"
           "作業フォルダの \"B2F.dat\" の照射条件でモンテカルロ計算を行い、結果ファイルを書きます。\n"
           "Runs the Monte Carlo simulation of the conditions in \"B2F.dat\" of the working\n"
           "folder and writes the result file named on its last line.\n"
           "\n"
           "  --batch        Enter キーを待たずに計算します (スクリプト用)。\n"
           "                 no Enter waits; the same run, files, messages and exit statuses.\n"
           "                 When standard error is a terminal, progress is one line updated in\n"
           "                 place (histories done and time left).\n"
           "  --threads N    N 個のスレッドで計算します (結果は同一)。\n"
           "                 compute on N threads (the result is the same to the bit); by default\n"
           "                 the processors this process may run on (CPU affinity, cgroup quota),\n"
           "                 at most 16.\n"
           "  --version      版を表示します。 print the version.\n"
           "  --help         この説明を表示します。 print this help.\n"
           "\n"
           "Exit statuses: 0 done, 1 internal failure, 2 input file missing, 3 unreadable line,\n"
           "4 invalid conditions, 5 invalid data table, 6 result not written, 7 input ended,\n"
           "64 command line not understood.\n";
}

std::string versionText() { return std::string("Corvane ") + CORVANE_VERSION + "\n"; }

int corvaneMain(int argc, char** argv) {
    ignoreSignalsThatWouldLoseARun();
    const ConsoleEncoding encoding = consoleEncodingFromLocale();
    std::vector<std::string_view> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    const CommandLine line = parseCommandLine(arguments);
    switch (line.action) {
        case CommandLine::Action::Help:
            std::cout << toConsoleText(helpText(), encoding) << std::flush;
            return 0;
        case CommandLine::Action::Version:
            std::cout << versionText() << std::flush;
            return 0;
        case CommandLine::Action::Refused:
            std::cerr << toConsoleText("コマンドラインの誤り: ", encoding) << "command line: " << line.refusal
                      << "; see Corvane --help\n"
                      << std::flush;
            return kUsageStatus;
        case CommandLine::Action::Run:
            break;
    }
    RunOptions options;
    options.encoding = encoding;
    options.batch = line.batch;
    options.threads = line.threads;
    if (line.batch && ::isatty(STDERR_FILENO) == 1) options.progressTerminal = &std::cerr;
    return runEngine(std::cin, std::cout, std::cerr, options);
}

}  // namespace corvane
