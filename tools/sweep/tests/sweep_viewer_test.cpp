// The summary's factors are the viewer's hidden ratio-of-sums values for the
// same result files, to the last bit.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QDir>

#include "conditions.h"
#include "shell/coefficient_table.h"
#include "sweep_support.h"
#include "viewer/result_reader.h"

namespace sweep {
namespace {

using testing::ScratchFolder;
using testing::csvRows;
using testing::readFile;
using testing::writeFile;

TEST(SweepAndViewer, SummaryFactorsAreTheViewersRatioOfSums) {
    ScratchFolder folder;
    writeFile(folder / "conditions.csv", std::string(kConditionsHeader) +
                                             "\n"
                                             "w70,70,12,1,1,0,4,300,birch,constant,water\n"
                                             "t90,90,12,1,0,0.1,4,200,tucker,1phase,tissue\n");
    const std::string command = "cd '" + folder.path().string() + "' && '" SWEEP_EXE
                                "' --threads 2 conditions.csv out > /dev/null 2>&1";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << raw;

    const auto rows = csvRows(readFile(folder / "out/summary.csv"));
    ASSERT_EQ(rows.size(), 2u);
    const char* columns[] = {"factor_incident", "factor_0cm",  "factor_2cm", "factor_5cm",
                             "factor_10cm",     "factor_15cm", "factor_20cm"};
    for (const auto& row : rows) {
        ASSERT_EQ(row.at("status"), "ok") << row.at("message");
        tessaray::Module1 state;
        QString error;
        ASSERT_TRUE(tessaray::loadCoefficientTable(state, &error, QDir(QString::fromStdString(RUNNABLE_DIR))))
            << error.toStdString();
        const tessaray::ResultReadOutcome viewer =
            tessaray::readResultFile(QString::fromStdString((folder / "out" / row.at("result_file")).string()), state);
        ASSERT_TRUE(viewer.ok) << row.at("name");
        for (int s = 0; s <= tessaray::kDepths; ++s) {
            const std::string written = row.at(columns[s]);
            ASSERT_NE(written, "") << row.at("name") << " " << columns[s];
            EXPECT_EQ(std::stod(written), viewer.factors.RatioOfSums[static_cast<std::size_t>(s)])
                << row.at("name") << " " << columns[s];
        }
    }
}

}  // namespace
}  // namespace sweep
