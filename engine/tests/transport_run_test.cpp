// End-to-end runs of the built Corvane on small photon numbers with the
// shipped data files.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct EngineRun {
    int status = -1;
    std::string console;
    std::string result;  // the result file's bytes
};

class RunFolder {
public:
    explicit RunFolder(const std::string& tag) {
        path_ = fs::temp_directory_path() /
                ("corvane_transport_" + tag + "_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        fs::remove_all(path_);
        fs::create_directories(path_);
        for (const char* name : {"Att_Coeff2023.dat", "water.dat", "ICRUSoft.dat"}) {
            fs::copy_file(fs::path(SHIPPED_DATA) / name, path_ / name);
        }
    }
    ~RunFolder() { fs::remove_all(path_); }

    // Writes "B2F.dat" with the eleven lines and runs the engine, pressing
    // Enter at both waits.
    EngineRun run(const std::vector<std::string>& lines) const {
        {
            std::ofstream b2f(path_ / "B2F.dat", std::ios::binary);
            for (const auto& line : lines) b2f << line << "\r\n";
        }
        const std::string command = "cd '" + path_.string() + "' && printf '\\n\\n' | '" CORVANE_EXE
                                    "' > console.txt 2>&1";
        EngineRun r;
        const int raw = std::system(command.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.console = slurp(path_ / "console.txt");
        if (fs::exists(path_ / "result.csv")) r.result = slurp(path_ / "result.csv");
        return r;
    }

private:
    static std::string slurp(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path path_;
};

// The data rows of a result file as numbers: rows[k - 1][field - 1].
std::vector<std::vector<double>> dataRows(const std::string& result) {
    std::vector<std::vector<double>> rows;
    std::istringstream in(result);
    std::string line;
    for (int n = 0; std::getline(in, line); ++n) {
        if (n < 11) continue;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<double> fields;
        std::istringstream row(line);
        std::string field;
        while (std::getline(row, field, ',')) fields.push_back(std::stod(field));
        rows.push_back(fields);
    }
    return rows;
}

// 40 kV, 12 degrees, 1 mm Al inherent, a 4 cm field and 3000 photons/cm2:
// about 38 000 histories.
std::vector<std::string> smallRun(const std::string& field, const std::string& material) {
    return {"40.0", "12.0", "1.0", "0.0", "0.0", field, "3000", "2", "1", material, "result.csv"};
}

}  // namespace

TEST(TransportRun, TwoRunsWriteIdenticalResultsWithConsistentTotals) {
    RunFolder folder("twice");
    const EngineRun first = folder.run(smallRun("4.0", "1"));
    ASSERT_EQ(first.status, 0) << first.console;
    const EngineRun second = folder.run(smallRun("4.0", "1"));
    ASSERT_EQ(second.status, 0) << second.console;
    EXPECT_EQ(first.result, second.result);

    const auto rows = dataRows(first.result);
    ASSERT_EQ(rows.size(), 80u);
    double incident = 0, primary = 0, scattered = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        ASSERT_EQ(rows[r].size(), 20u) << "row " << r + 1;
        EXPECT_EQ(rows[r][0], 0.5 * static_cast<double>(r + 1));
        incident += rows[r][1];
        for (int depth = 0; depth < 6; ++depth) {
            const std::size_t p = 2 + 3 * static_cast<std::size_t>(depth);
            EXPECT_EQ(rows[r][p + 2], rows[r][p] + rows[r][p + 1]) << "row " << r + 1 << " depth " << depth;
            primary += rows[r][p];
            scattered += rows[r][p + 1];
            if (r + 1 <= 3) {
                // Bins 1 to 3 are below the 2 keV cut-off: no flight is scored.
                EXPECT_EQ(rows[r][p + 2], 0) << "row " << r + 1;
            }
        }
    }
    EXPECT_EQ(rows[0][1], 0);  // bin 1 runs no histories
    EXPECT_GT(incident, 0);
    EXPECT_GT(primary, 0);
    EXPECT_GT(scattered, 0);
}

TEST(TransportRun, LowestBinsCountAtTheSourceOnly) {
    // 10 kV without filtration in a 1 cm field: every photon enters within
    // 0.5 cm of the axis, those of 1.0 and 1.5 keV included, but photons below
    // 2 keV are never followed.
    RunFolder folder("lowest");
    const EngineRun r = folder.run({"10.0", "12.0", "0.0", "0.0", "0.0", "1.0", "3000", "2", "1", "1", "result.csv"});
    ASSERT_EQ(r.status, 0) << r.console;
    const auto rows = dataRows(r.result);
    ASSERT_EQ(rows.size(), 20u);
    EXPECT_EQ(rows[0][1], 0);
    EXPECT_GT(rows[1][1], 0);
    EXPECT_GT(rows[2][1], 0);
    for (std::size_t row = 0; row < 3; ++row)
        for (std::size_t f = 2; f < 20; ++f) EXPECT_EQ(rows[row][f], 0) << "bin " << row + 1 << " field " << f + 1;
    // From 2 keV on, the depth-0 sphere sees the photons entering it.
    EXPECT_GT(rows[3][2], 0);
}

TEST(TransportRun, SoftTissueDiffersFromWater) {
    RunFolder folder("tissue");
    const EngineRun water = folder.run(smallRun("4.0", "1"));
    const EngineRun tissue = folder.run(smallRun("4.0", "2"));
    ASSERT_EQ(water.status, 0) << water.console;
    ASSERT_EQ(tissue.status, 0) << tissue.console;
    EXPECT_NE(water.result, tissue.result);
    EXPECT_NE(water.console.find("ファントム物質：水"), std::string::npos);
    EXPECT_NE(tissue.console.find("ファントム物質：ICRU 軟部組織"), std::string::npos);
}

TEST(TransportRun, ZeroFieldWritesZeroCountsAfterEveryProgressLine) {
    RunFolder folder("nofield");
    const EngineRun r = folder.run(smallRun("0.0", "1"));
    ASSERT_EQ(r.status, 0) << r.console;
    std::size_t at = 0;
    for (int k = 1; k <= 80; ++k) {
        const std::string line = " --- " + std::to_string(k) + " / 80\n";
        const std::size_t found = r.console.find(line, at);
        ASSERT_NE(found, std::string::npos) << "progress line of bin " << k;
        at = found + line.size();
    }
    const auto rows = dataRows(r.result);
    ASSERT_EQ(rows.size(), 80u);
    for (const auto& row : rows)
        for (std::size_t f = 1; f < row.size(); ++f) EXPECT_EQ(row[f], 0);
}
