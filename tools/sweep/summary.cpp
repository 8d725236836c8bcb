#include "summary.h"

#include <charconv>

namespace sweep {
namespace {

std::string quoted(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string q = "\"";
    for (const char c : text) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + "\"";
}

std::string figure(double value) {
    if (!std::isfinite(value)) return "";
    // The shortest text that reads back as the same double.
    char text[40];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    return ec == std::errc() ? std::string(text, end) : std::string();
}

const char* const kDepthNames[] = {"incident", "0cm", "2cm", "5cm", "10cm", "15cm", "20cm"};

}  // namespace

std::string summaryHeader() {
    std::string header = "name,status,message,kV,hvl1_mm_al,hvl2_mm_al,mean_energy_kev";
    for (const char* depth : kDepthNames) header += std::string(",factor_") + depth;
    for (const char* depth : kDepthNames) header += std::string(",u_factor_") + depth;
    return header + ",surface_ratio,u_surface_ratio,result_file,exit_status,al_mm";
}

std::string summaryText(const std::vector<SummaryRow>& rows) {
    std::string text = summaryHeader() + "\r\n";
    for (const SummaryRow& r : rows) {
        const RunFigures& f = r.figures;
        std::vector<std::string> fields = {quoted(r.name), quoted(r.status), quoted(r.message), quoted(r.kV),
                                           figure(f.hvl1), figure(f.hvl2), figure(f.meanEnergy)};
        for (const double v : f.factor) fields.push_back(figure(v));
        for (const double v : f.uFactor) fields.push_back(figure(v));
        fields.push_back(figure(f.surfaceRatio));
        fields.push_back(figure(f.uSurfaceRatio));
        fields.push_back(quoted(r.resultFile));
        fields.push_back(r.exitStatus ? std::to_string(*r.exitStatus) : std::string());
        fields.push_back(quoted(r.al));
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i > 0) text += ',';
            text += fields[i];
        }
        text += "\r\n";
    }
    return text;
}

SummaryRow summaryRow(const std::filesystem::path& outdir, const PlannedRow& row, const Analyser& analyse) {
    SummaryRow s;
    s.name = row.name;
    if (row.condition) {
        s.kV = row.condition->kV;
        s.al = row.condition->al;
    }
    if (!row.runnable()) {
        s.status = row.status;
        s.message = row.message;
        return s;
    }
    const RunRecord record = readRunRecord(outdir, row.name);
    s.exitStatus = record.exitStatus;
    const bool complete = rowComplete(outdir, row);
    if (!record.exitStatus && !complete) {
        s.status = "pending";
        s.message = "the run has not ended";
        return s;
    }
    if (record.exitStatus && *record.exitStatus != 0) {
        s.status = *record.exitStatus == 3 || *record.exitStatus == 4 ? "refused" : "failed";
        s.message = record.message.empty() ? "Corvane ended with status " + std::to_string(*record.exitStatus)
                                           : record.message;
        return s;
    }
    if (!complete) {
        s.status = "failed";
        s.message = "the run ended without a complete " + std::string(kResultFileName) + " and " + kCompanionFileName;
        return s;
    }
    const std::filesystem::path result = outdir / row.name / kResultFileName;
    try {
        s.figures = analyse(result);
        s.status = "ok";
        s.resultFile = (std::filesystem::path(row.name) / kResultFileName).generic_string();
    } catch (const std::exception& e) {
        s.status = "failed";
        s.message = std::string("analysis: ") + e.what();
    }
    return s;
}

std::vector<SummaryRow> collectSummary(const std::filesystem::path& outdir, const Analyser& analyse) {
    std::vector<SummaryRow> rows;
    for (const PlannedRow& row : readPlan(outdir)) rows.push_back(summaryRow(outdir, row, analyse));
    writeFileAtomically(outdir / "summary.csv", summaryText(rows));
    return rows;
}

}  // namespace sweep
