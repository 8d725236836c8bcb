#include "run/progress_line.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace corvane {

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string durationText(double seconds) {
    if (!(seconds >= 0) || seconds > 1e9) return "--:--:--";
    const auto whole = static_cast<long long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    return text;
}

InPlaceProgress::InPlaceProgress(std::ostream& terminal, ConsoleEncoding encoding,
                                 std::vector<std::int64_t> historiesInBin, std::function<double()> seconds)
    : terminal_(terminal), encoding_(encoding), seconds_(std::move(seconds)), buffer_(*this), stream_(&buffer_) {
    before_.assign(historiesInBin.size() + 1, 0);
    for (std::size_t k = 1; k < historiesInBin.size(); ++k) {
        before_[k + 1] = before_[k] + historiesInBin[k];
    }
    total_ = before_.back();
    start_ = seconds_();
}

int InPlaceProgress::Buffer::overflow(int c) {
    if (c == traits_type::eof()) return traits_type::not_eof(c);
    if (c == '\n') {
        owner_.binLine(line_);
        line_.clear();
    } else {
        line_.push_back(static_cast<char>(c));
    }
    return c;
}

void InPlaceProgress::binLine(const std::string& line) {
    int k = 0, bins = 0;
    if (std::sscanf(line.c_str(), " --- %d / %d", &k, &bins) != 2 || k < 1) return;
    const std::size_t index = std::min(static_cast<std::size_t>(k), before_.size() - 1);
    draw(before_[index]);
}

void InPlaceProgress::draw(std::int64_t done) {
    const double fraction = total_ > 0 ? static_cast<double>(done) / static_cast<double>(total_) : 1.0;
    const double elapsed = seconds_() - start_;
    const double left = done > 0 ? elapsed * static_cast<double>(total_ - done) / static_cast<double>(done) : -1;
    char percent[16];
    std::snprintf(percent, sizeof percent, "%5.1f", 100.0 * fraction);
    const std::string text = toConsoleText("  進捗 " + std::string(percent) + " %  残り時間 " + durationText(left) +
                                               "  (progress, time left)", encoding_);
    // Blanks over what a longer line before left behind.
    const std::string pad(drawn_ > text.size() ? drawn_ - text.size() : 0, ' ');
    terminal_ << '\r' << text << pad << std::flush;
    drawn_ = text.size();
}

void InPlaceProgress::finish() {
    draw(total_);
    terminal_ << '\n' << std::flush;
}

}  // namespace corvane
