#include "run/console.h"

#include <iconv.h>
#include <langinfo.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <string>

#include "files/engine_error.h"

namespace corvane {
namespace {

// Upper case without '-' and '_': "Shift_JIS", "shift-jis" and "SHIFTJIS" meet.
std::string canonical(std::string_view name) {
    std::string s;
    for (char c : name) {
        if (c == '-' || c == '_') continue;
        s.push_back((c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c);
    }
    return s;
}

// Length of the character at the start of `bytes`: its lead byte and the
// continuation bytes that follow it (a broken sequence ends where they end).
std::size_t characterLength(const char* bytes, std::size_t left) {
    std::size_t n = 1;
    while (n < left && n < 4 && (static_cast<unsigned char>(bytes[n]) & 0xC0) == 0x80) ++n;
    return n;
}

}  // namespace

ConsoleEncoding encodingForCodeset(std::string_view codeset) {
    const std::string name = canonical(codeset);
    if (name == "SHIFTJIS" || name == "SJIS" || name == "CP932" || name == "WINDOWS31J" || name == "MSKANJI" ||
        name == "CSSHIFTJIS" || name == "MS932" || name == "IBM943") {
        return ConsoleEncoding::ShiftJis;
    }
    if (name == "EUCJP" || name == "UJIS" || name == "EUCJPMS" || name == "CSEUCPKDFMTJAPANESE") {
        return ConsoleEncoding::EucJp;
    }
    return ConsoleEncoding::Utf8;
}

ConsoleEncoding consoleEncodingFromLocale() {
    if (std::setlocale(LC_CTYPE, "") == nullptr) return ConsoleEncoding::Utf8;
    const char* codeset = nl_langinfo(CODESET);
    return codeset ? encodingForCodeset(codeset) : ConsoleEncoding::Utf8;
}

std::string toConsoleText(std::string_view utf8, ConsoleEncoding encoding) {
    if (encoding == ConsoleEncoding::Utf8) return std::string(utf8);
    const char* target = encoding == ConsoleEncoding::ShiftJis ? "CP932" : "EUC-JP";
    iconv_t cd = iconv_open(target, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(utf8);  // no converter: write as it is

    std::string result;
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char buffer[256];
    while (inLeft > 0) {
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
        result.append(buffer, static_cast<std::size_t>(out - buffer));
        if (rc != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) continue;
        // A character the target lacks, or a broken sequence: one "?" for it.
        const std::size_t skip = characterLength(in, inLeft);
        result.push_back('?');
        in += skip;
        inLeft -= skip;
    }
    iconv_close(cd);
    return result;
}

void Console::noteOutput(bool wasGood) {
    if (out_.good() || !outputFailure_.empty()) return;
    outputFailure_ = wasGood && errno != 0 ? std::strerror(errno)
                                           : "the console stopped taking output (a closed pipe or a full device)";
}

void Console::line(std::string_view utf8) {
    const bool wasGood = out_.good();
    errno = 0;
    out_ << toConsoleText(utf8, encoding_) << '\n';
    noteOutput(wasGood);
}

bool Console::flushed() {
    const bool wasGood = out_.good();
    errno = 0;
    out_.flush();
    noteOutput(wasGood);
    return outputFailure_.empty();
}

void Console::waitForEnter() {
    flushed();
    std::string discarded;
    if (!std::getline(in_, discarded)) {
        throw EngineError(ExitStatus::ConsoleClosed,
                          "read error: standard input: the input ended while waiting for the Enter key");
    }
}

void Console::error(std::string_view utf8) {
    out_.flush();
    err_ << toConsoleText(utf8, encoding_) << '\n';
    err_.flush();
}

}  // namespace corvane
