// Reading a result file and its companion into plain tables.

#include <cmath>
#include <nlohmann/json.hpp>

#include "input_text.h"
#include "result_analysis.h"

namespace analysis {

namespace {

constexpr int kHeaderLineCount = 11;
constexpr int kFieldsPerRow = 20;
constexpr std::uintmax_t kResultSizeLimit = 1u << 20;
constexpr std::uintmax_t kCompanionSizeLimit = 64u << 20;

using nlohmann::json;

std::vector<std::string_view> commaSeparated(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = line.find(',', start);
        if (comma == std::string_view::npos) {
            fields.push_back(line.substr(start));
            return fields;
        }
        fields.push_back(line.substr(start, comma - start));
        start = comma + 1;
    }
}

// The companion's reading: every access checked, every problem named with
// the key where it lies.
class CompanionReader {
public:
    explicit CompanionReader(const std::filesystem::path& path) : path_(path) {}

    [[noreturn]] void fail(const std::string& where, const std::string& problem) const {
        detail::fail(path_, "\"" + where + "\" " + problem);
    }

    const json& member(const json& object, const std::string& key, const std::string& where) const {
        if (!object.is_object()) fail(where, "is not an object");
        const auto it = object.find(key);
        if (it == object.end()) fail(where.empty() ? key : where + "." + key, "is missing");
        return *it;
    }

    double number(const json& value, const std::string& where) const {
        if (!value.is_number()) fail(where, "is not a number");
        const double x = value.get<double>();
        if (!std::isfinite(x)) fail(where, "is not a finite number");
        return x;
    }

    // N non-negative numbers.
    std::vector<double> counts(const json& value, int n, const std::string& where) const {
        if (!value.is_array() || value.size() != static_cast<std::size_t>(n)) {
            fail(where, "is not an array of " + std::to_string(n) + " numbers");
        }
        std::vector<double> out;
        out.reserve(static_cast<std::size_t>(n));
        for (std::size_t i = 0; i < value.size(); ++i) {
            const double x = number(value[i], where + "[" + std::to_string(i) + "]");
            if (x < 0) fail(where + "[" + std::to_string(i) + "]", "is negative");
            out.push_back(x);
        }
        return out;
    }

    BatchTable batches(const json& value, int n, const std::string& where) const {
        if (!value.is_array() || value.size() != static_cast<std::size_t>(kBatchCount)) {
            fail(where, "is not an array of 10 batches");
        }
        BatchTable table;
        for (int b = 0; b < kBatchCount; ++b) {
            table[static_cast<std::size_t>(b)] =
                counts(value[static_cast<std::size_t>(b)], n, where + "[" + std::to_string(b) + "]");
        }
        return table;
    }

private:
    std::filesystem::path path_;
};

}  // namespace

ResultFile readResultFile(const std::filesystem::path& path) {
    const std::string text = detail::readBoundedFile(path, kResultSizeLimit);
    const auto lines = detail::splitLines(text);
    if (lines.size() < static_cast<std::size_t>(kHeaderLineCount)) {
        detail::fail(path, "holds " + std::to_string(lines.size()) + " lines, fewer than the 11 header lines");
    }
    ResultFile result;
    result.path = path;
    for (int i = 0; i < kHeaderLineCount; ++i) result.headerLines.emplace_back(lines[static_cast<std::size_t>(i)]);
    const std::size_t rows = lines.size() - kHeaderLineCount;
    if (rows == 0) detail::fail(path, "holds no data rows after its 11 header lines");
    if (rows > static_cast<std::size_t>(kTableBins)) {
        detail::fail(path, "holds " + std::to_string(rows) + " data rows, more than 300");
    }
    for (std::size_t r = 0; r < rows; ++r) {
        const std::string_view line = lines[kHeaderLineCount + r];
        const std::string where = "line " + std::to_string(kHeaderLineCount + r + 1);
        const auto fields = commaSeparated(line);
        if (fields.size() != kFieldsPerRow) {
            detail::fail(path, where + " holds " + std::to_string(fields.size()) + " fields instead of 20: \"" +
                                   detail::printable(line) + "\"");
        }
        double values[kFieldsPerRow];
        for (int f = 0; f < kFieldsPerRow; ++f) {
            const auto number = detail::parseNumber(fields[static_cast<std::size_t>(f)]);
            if (!number || (f > 0 && *number < 0)) {
                detail::fail(path, where + ", field " + std::to_string(f + 1) + " is not " +
                                       (number ? "a count: \"" : "a number: \"") +
                                       detail::printable(fields[static_cast<std::size_t>(f)]) + "\"");
            }
            values[f] = *number;
        }
        const int bin = static_cast<int>(r) + 1;
        result.incident[bin] = values[1];
        for (int d = 0; d < kDepthCount; ++d) {
            for (int c = 0; c < 3; ++c) result.depth[d][c][bin] = values[2 + 3 * d + c];
        }
    }
    result.binCount = static_cast<int>(rows);
    return result;
}

std::filesystem::path companionPath(const std::filesystem::path& resultFile) {
    std::string name = resultFile.filename().string();
    if (name.size() >= 4) {
        std::string tail = name.substr(name.size() - 4);
        for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (tail == ".csv") name.resize(name.size() - 4);
    }
    return resultFile.parent_path() / (name + ".json");
}

Companion readCompanion(const std::filesystem::path& path) {
    const std::string text = detail::readBoundedFile(path, kCompanionSizeLimit);
    json root;
    try {
        root = json::parse(text);
    } catch (const json::exception& error) {
        detail::fail(path, std::string("is not valid JSON: ") + error.what());
    }
    const CompanionReader in(path);
    if (!root.is_object()) in.fail("", "is not a JSON object at its top");
    const json& format = in.member(root, "format", "");
    if (!format.is_string() || format.get<std::string>() != "corvane-spectra/1") {
        in.fail("format", "is not \"corvane-spectra/1\"");
    }
    if (in.number(in.member(root, "batches", ""), "batches") != kBatchCount) in.fail("batches", "is not 10");
    if (in.number(in.member(root, "binWidthKeV", ""), "binWidthKeV") != kBinWidthKeV) {
        in.fail("binWidthKeV", "is not 0.5");
    }
    const double bins = in.number(in.member(root, "binCount", ""), "binCount");
    if (bins < 0 || bins > kTableBins || bins != std::floor(bins)) in.fail("binCount", "is not a whole number of 0 to 300");

    Companion companion;
    companion.path = path;
    companion.binCount = static_cast<int>(bins);
    const int n = companion.binCount;
    companion.photonsPerCm2 = in.number(in.member(root, "photonsPerCm2", ""), "photonsPerCm2");
    companion.totalPhotons = in.number(in.member(root, "totalPhotons", ""), "totalPhotons");
    if (!(companion.totalPhotons > 0)) in.fail("totalPhotons", "is not positive");
    companion.incidentSpectrum = in.counts(in.member(root, "incidentSpectrum", ""), n, "incidentSpectrum");
    companion.histories = in.counts(in.member(root, "histories", ""), n, "histories");
    companion.incidentCounts = in.batches(in.member(root, "incidentCounts", ""), n, "incidentCounts");

    const json& spheres = in.member(root, "spheres", "");
    if (!spheres.is_array() || spheres.size() != kDepthCount) in.fail("spheres", "is not an array of 6 spheres");
    for (int d = 0; d < kDepthCount; ++d) {
        const std::string where = "spheres[" + std::to_string(d) + "]";
        const json& sphere = spheres[static_cast<std::size_t>(d)];
        CompanionSphere& out = companion.spheres[static_cast<std::size_t>(d)];
        out.depthCm = in.number(in.member(sphere, "depthCm", where), where + ".depthCm");
        if (out.depthCm != kDepthsCm[static_cast<std::size_t>(d)]) {
            in.fail(where + ".depthCm", "is not " + std::to_string(kDepthsCm[static_cast<std::size_t>(d)]));
        }
        const json& primary = in.member(sphere, "primary", where);
        const json& scatter = in.member(sphere, "scatter", where);
        out.primaryCounts = in.batches(in.member(primary, "counts", where + ".primary"), n, where + ".primary.counts");
        out.primaryFluence = in.batches(in.member(primary, "fluence", where + ".primary"), n, where + ".primary.fluence");
        out.scatterCounts = in.batches(in.member(scatter, "counts", where + ".scatter"), n, where + ".scatter.counts");
        out.scatterFluence = in.batches(in.member(scatter, "fluence", where + ".scatter"), n, where + ".scatter.fluence");
    }
    return companion;
}

void checkCompanionMatches(const Companion& companion, const ResultFile& result) {
    if (companion.binCount != result.binCount) {
        detail::fail(companion.path, "holds " + std::to_string(companion.binCount) + " bins, its result file " +
                                         result.path.filename().string() + " " + std::to_string(result.binCount));
    }
    const auto check = [&](const BatchTable& batches, const BinValues& column, const std::string& what) {
        for (int k = 0; k < companion.binCount; ++k) {
            double sum = 0;
            for (const auto& batch : batches) sum += batch[static_cast<std::size_t>(k)];
            if (sum != column[k + 1]) {
                detail::fail(companion.path, what + " of bin " + std::to_string(k + 1) + " sum to " +
                                                 std::to_string(sum) + ", not to the result file's " +
                                                 std::to_string(column[k + 1]) + ": it belongs to another run");
            }
        }
    };
    check(companion.incidentCounts, result.incident, "the incident counts");
    for (int d = 0; d < kDepthCount; ++d) {
        const auto& sphere = companion.spheres[static_cast<std::size_t>(d)];
        const std::string depth = std::to_string(kDepthsCm[static_cast<std::size_t>(d)]) + " cm";
        check(sphere.primaryCounts, result.depth[d][0], "the " + depth + " primary counts");
        check(sphere.scatterCounts, result.depth[d][1], "the " + depth + " scatter counts");
    }
}

}  // namespace analysis
