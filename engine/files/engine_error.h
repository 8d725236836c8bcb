#pragma once
// The engine's one way of ending a run early: an error report that names the
// operation, the file and the reason, carried to main with its exit status.

#include <stdexcept>
#include <string>

namespace corvane {

// Exit statuses of Corvane, one per kind of failure (listed in the README).
enum class ExitStatus : int {
    Success = 0,
    OpenFailed = 2,         // an input file is missing or cannot be opened
    ReadFailed = 3,         // a line is missing or a field is not a number
    InvalidConditions = 4,  // run parameters outside what the engine can compute
    InvalidData = 5,        // a data table breaks the limits the transport relies on
    WriteFailed = 6,        // the result file cannot be created or written
    ConsoleClosed = 7,      // standard input ended at an Enter wait
    ConsoleWriteFailed = 8, // the run finished, but the console output could not be written
};

class EngineError : public std::runtime_error {
public:
    EngineError(ExitStatus status, const std::string& message)
        : std::runtime_error(message), status_(status), message_(message) {}
    ExitStatus status() const { return status_; }
    // The whole report; what() stops at the first NUL byte, this never does.
    const std::string& message() const { return message_; }

private:
    ExitStatus status_;
    std::string message_;
};

// "open error: <file>: <reason>", "read error: ...", "write error: ...".
inline EngineError openError(const std::string& file, const std::string& reason) {
    return EngineError(ExitStatus::OpenFailed, "open error: " + file + ": " + reason);
}
inline EngineError readError(const std::string& file, const std::string& reason) {
    return EngineError(ExitStatus::ReadFailed, "read error: " + file + ": " + reason);
}
inline EngineError writeError(const std::string& file, const std::string& reason) {
    return EngineError(ExitStatus::WriteFailed, "write error: " + file + ": " + reason);
}
inline EngineError dataError(const std::string& file, const std::string& reason) {
    return EngineError(ExitStatus::InvalidData, "data error: " + file + ": " + reason);
}

}  // namespace corvane
