#pragma once
// The engine's console: Japanese lines written in the console's character set,
// and the Enter waits.

#include <istream>
#include <ostream>
#include <string>
#include <string_view>

namespace corvane {

// The character sets the console texts are written in. The texts are kept in
// UTF-8; a console whose locale uses a Japanese legacy character set gets them
// converted.
enum class ConsoleEncoding { Utf8, ShiftJis, EucJp };

// The encoding for a locale's codeset name (as nl_langinfo(CODESET) gives it):
// Shift_JIS, SJIS, CP932, Windows-31J and MS_Kanji give ShiftJis (written as
// CP932), EUC-JP and eucJP give EucJp; everything else UTF-8.
ConsoleEncoding encodingForCodeset(std::string_view codeset);

// The encoding of the process's locale: setlocale(LC_CTYPE, "") and its codeset.
ConsoleEncoding consoleEncodingFromLocale();

// Converts a UTF-8 text to the console encoding. A character the target set
// lacks is written as "?".
std::string toConsoleText(std::string_view utf8, ConsoleEncoding encoding);

class Console {
public:
    Console(std::istream& in, std::ostream& out, std::ostream& err, ConsoleEncoding encoding)
        : in_(in), out_(out), err_(err), encoding_(encoding) {}

    // One line of the dialogue; the console ends lines with "\n". A line
    // that cannot be written (a closed pipe, a full device) does not stop the
    // run: the failure is kept for the end of the run.
    void line(std::string_view utf8 = {});
    // Waits for one line of keyboard input and discards it. The end of the
    // input there is a read error: throws EngineError (ConsoleClosed).
    void waitForEnter();
    // An error report, after everything written so far.
    void error(std::string_view utf8);
    // The stream the progress lines of the histories go to.
    std::ostream& out() { return out_; }
    // Flushes the dialogue; true when all of it so far reached the console.
    bool flushed();
    // Why the dialogue could not be written, once flushed() has said so.
    const std::string& outputFailure() const { return outputFailure_; }

private:
    // Keeps the first failure of the output stream, with the system's reason
    // when the operation just done failed.
    void noteOutput(bool wasGood);

    std::istream& in_;
    std::ostream& out_;
    std::ostream& err_;
    ConsoleEncoding encoding_;
    std::string outputFailure_;
};

}  // namespace corvane
