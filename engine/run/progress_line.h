#pragma once
// The run's progress as one terminal line that updates in place: the share of
// the histories begun and the time left, for a run started from a script with
// its standard error on a terminal.

#include <cstdint>
#include <functional>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "run/console.h"

namespace corvane {

// Seconds since some fixed moment (a steady clock).
double steadySeconds();

// "h:mm:ss" of a number of seconds; "--:--:--" when not known.
std::string durationText(double seconds);

class InPlaceProgress {
public:
    // historiesInBin[k] is the number of histories of bin k (entry 0 unused).
    // The line is written in the console's character set.
    InPlaceProgress(std::ostream& terminal, ConsoleEncoding encoding, std::vector<std::int64_t> historiesInBin,
                    std::function<double()> seconds = steadySeconds);
    InPlaceProgress(const InPlaceProgress&) = delete;
    InPlaceProgress& operator=(const InPlaceProgress&) = delete;

    // The stream the histories write their bin lines " --- k / binCount" to;
    // each complete line redraws the terminal line for the start of bin k.
    std::ostream& binLines() { return stream_; }
    // Draws the line at 100 % and ends it.
    void finish();

private:
    class Buffer : public std::streambuf {
    public:
        explicit Buffer(InPlaceProgress& owner) : owner_(owner) {}

    protected:
        int overflow(int c) override;

    private:
        InPlaceProgress& owner_;
        std::string line_;
    };

    void binLine(const std::string& line);
    void draw(std::int64_t done);

    std::ostream& terminal_;
    ConsoleEncoding encoding_;
    std::vector<std::int64_t> before_;  // histories of the bins before bin k
    std::int64_t total_ = 0;
    std::function<double()> seconds_;
    double start_ = 0;
    std::size_t drawn_ = 0;  // width of the line on the terminal
    Buffer buffer_;
    std::ostream stream_;
};

}  // namespace corvane
