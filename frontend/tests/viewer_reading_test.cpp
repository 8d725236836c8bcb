// Reading result files into the viewer's tables, and the conversion factors
// computed at the end of every read.

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <memory>

#include "viewer/conversion_factors.h"
#include "viewer/result_reader.h"
#include "viewer_test_support.h"

using tessaray::kBins;
using tessaray::Module1;
using namespace viewer_test;

namespace {

// Tables compared field by field, so that "unchanged" means unchanged.
bool sameTables(const Module1& a, const Module1& b) {
    return a.ResultRowCount == b.ResultRowCount && a.ResultEnergy == b.ResultEnergy &&
           a.ResultIncident == b.ResultIncident && a.DepthSpectra == b.DepthSpectra &&
           a.LargestTotal == b.LargestTotal && a.ConversionFactor == b.ConversionFactor;
}

}  // namespace

class ViewerReadingTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    std::unique_ptr<Module1> state_;

    QString write(const QString& name, const QByteArray& content) { return writeFile(QDir(dir_.path()), name, content); }

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        state_ = std::make_unique<Module1>();
        fillCoefficients(*state_);
    }

    void validFileFillsBinsByRowNumber_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QByteArray>("eol");
        QTest::newRow("160 rows, CR LF") << 160 << QByteArray("\r\n");
        QTest::newRow("300 rows, CR LF") << 300 << QByteArray("\r\n");
        QTest::newRow("160 rows, LF") << 160 << QByteArray("\n");
    }
    void validFileFillsBinsByRowNumber() {
        QFETCH(int, rows);
        QFETCH(QByteArray, eol);
        std::vector<Row> data = peakedRows(rows, 60);
        data[9][0] = 999.0;  // a wrong energy field is stored but does not move the row
        const auto outcome = tessaray::readResultFile(write("run.csv", resultText(data, eol.constData())), *state_);
        QVERIFY(outcome.ok);
        QCOMPARE(state_->ResultRowCount, rows);
        QCOMPARE(outcome.headerLines.size(), 11);
        QCOMPARE(outcome.headerLines[1], QStringLiteral(" Tube potential =   80.0 [kV]"));
        QVERIFY(outcome.headerLines[10].startsWith(" keV,incident,0cm P"));
        QCOMPARE(state_->ResultEnergy[10], 999.0);
        QCOMPARE(state_->ResultIncident[60], 10000.0);
        QCOMPARE(state_->ResultIncident[10], data[9][1]);
        // Depth 4 (10 cm): primary, scatter, total of row 60.
        QCOMPARE(state_->DepthSpectra[4][1][60], 2500.0);
        QCOMPARE(state_->DepthSpectra[4][2][60], 833.0);
        QCOMPARE(state_->DepthSpectra[4][3][60], 3333.0);
        // The largest total over all depths is the 0 cm total at the peak.
        QCOMPARE(state_->LargestTotal, 10000.0 + 3333.0);
        QCOMPARE(state_->DepthSpectra[1][3][rows], data[static_cast<std::size_t>(rows - 1)][4]);
        if (rows < kBins) QCOMPARE(state_->DepthSpectra[1][3][rows + 1], 0.0);
    }

    // A failed read leaves every table and factor exactly as the last good
    // read left them, so what was drawable stays drawable.
    void failedReadLeavesTablesUnchanged_data() {
        QTest::addColumn<QByteArray>("content");
        const QByteArray good = resultText(peakedRows(160, 40));
        QTest::newRow("301 rows") << resultText(peakedRows(301, 40));
        QTest::newRow("empty line after the last row") << good + "\r\n";
        QTest::newRow("header only (11 lines)") << headerText();
        QTest::newRow("10 lines") << headerText().left(headerText().lastIndexOf(" keV"));
        QTest::newRow("empty file") << QByteArray();
        QByteArray nineteen = good;
        nineteen.chop(2);
        nineteen = nineteen.left(nineteen.lastIndexOf(',')) + "\r\n";
        QTest::newRow("file ends inside a row") << nineteen;
        QByteArray asterisks = good;
        asterisks.replace("     3333.", "**********");
        QTest::newRow("asterisks of a too-wide field") << asterisks;
        QByteArray letters = good;
        letters.replace(letters.indexOf("  10.0,") + 2, 4, "1O.0");
        QTest::newRow("letter in a number") << letters;
        QByteArray emptyField = good;
        emptyField.replace(emptyField.indexOf("  10.0,"), 6, "      ");
        QTest::newRow("blank field") << emptyField;
        // Every bin of the 20 cm total is zero: its factors divide by zero.
        std::vector<Row> noDeep = peakedRows(160, 40);
        for (Row& row : noDeep) row[17] = row[18] = row[19] = 0.0;
        QTest::newRow("20 cm spectrum without weight") << resultText(noDeep);
    }
    void failedReadLeavesTablesUnchanged() {
        QFETCH(QByteArray, content);
        QVERIFY(tessaray::readResultFile(write("first.csv", resultText(peakedRows(300, 250))), *state_).ok);
        const Module1 before = *state_;
        const auto outcome = tessaray::readResultFile(write("bad.csv", content), *state_);
        QVERIFY(!outcome.ok);
        QVERIFY(sameTables(*state_, before));
    }

    void missingFileFails() {
        const Module1 before = *state_;
        QVERIFY(!tessaray::readResultFile(dir_.filePath("absent.csv"), *state_).ok);
        QVERIFY(sameTables(*state_, before));
    }

    // Fields run on across line ends: a 19-field line followed by a 21-field
    // line reads as two rows of 20.
    void nineteenThenTwentyOneFieldsGoUnnoticed() {
        std::vector<Row> rows = peakedRows(4, 2);
        QByteArray text = headerText();
        QByteArray second = rowText(rows[1]);
        const qsizetype cut = second.lastIndexOf(',');
        text += rowText(rows[0]);
        text += second.left(cut) + "\r\n" + second.mid(cut + 1, second.size() - cut - 3) + ",";
        text += rowText(rows[2]) + rowText(rows[3]);
        const auto outcome = tessaray::readResultFile(write("shifted.csv", text), *state_);
        QVERIFY(outcome.ok);
        QCOMPARE(state_->ResultRowCount, 4);
        QCOMPARE(state_->DepthSpectra[6][3][2], rows[1][19]);
        QCOMPARE(state_->ResultIncident[3], rows[2][1]);
    }

    void exponentAndPlainNumbersAreRead() {
        std::vector<Row> rows = peakedRows(2, 1);
        QByteArray text = resultText(rows);
        text.replace("     10000.", "  1.0000E+04");
        text.replace(text.indexOf("   0.5,"), 7, "  5D-1,");
        QVERIFY(tessaray::readResultFile(write("exp.csv", text), *state_).ok);
        QCOMPARE(state_->ResultIncident[1], 10000.0);
        QCOMPARE(state_->ResultEnergy[1], 0.5);
    }

    // Bins 161..300 are cleared, so the factors equal those of a fresh read.
    void shorterFileAfterLongerOne() {
        const QString shortFile = write("short.csv", resultText(peakedRows(160, 100)));
        for (int i = 1; i <= kBins; ++i) state_->TissueCoefficient[i] = 1.0 + i / 300.0;
        Module1 fresh = *state_;
        const auto first = tessaray::readResultFile(shortFile, fresh);
        QVERIFY(first.ok);
        QVERIFY(tessaray::readResultFile(write("long.csv", resultText(peakedRows(300, 280))), *state_).ok);
        const auto second = tessaray::readResultFile(shortFile, *state_);
        QVERIFY(second.ok);
        QVERIFY(sameTables(*state_, fresh));
        QCOMPARE(second.factors.RatioOfSums, first.factors.RatioOfSums);
        QCOMPARE(state_->DepthSpectra[2][3][200], 0.0);
    }

    // Weights only in bins 100 and 200 (50 and 100 keV) with air 1 and 2 and
    // tissue 1 and 4: ratio of sums 450/250 = 1.8, mean of ratios 250/150 = 5/3.
    void factorsOfTheWorkedExample() {
        Module1 state;
        fillCoefficients(state, 1.0, 1.0);
        state.AirCoefficient[200] = 2.0;
        state.TissueCoefficient[200] = 4.0;
        for (double scale : {1.0, 10.0, 0.001}) {
            for (int s = 0; s <= 6; ++s) {
                auto& values = s == 0 ? state.ResultIncident : state.DepthSpectra[s][3];
                values.fill(0.0);
                values[100] = scale;
                values[200] = scale;
            }
            const auto factors = tessaray::computeConversionFactors(state);
            QVERIFY(factors.has_value());
            for (int s = 0; s <= 6; ++s) {
                QVERIFY(qFuzzyCompare(factors->RatioOfSums[s], 1.8));
                QVERIFY(qFuzzyCompare(factors->MeanOfRatios[s], 5.0 / 3.0));
            }
        }
    }

    // A spectrum with one non-zero bin gives that bin's tissue/air ratio in
    // both forms; the factor of each spectrum is its own.
    void singleBinSpectraGiveTheirBinRatio() {
        Module1 state;
        for (int i = 1; i <= kBins; ++i) {
            state.AirCoefficient[i] = 2.0 + i;
            state.TissueCoefficient[i] = 3.0 * i;
        }
        const int bins[7] = {5, 30, 60, 120, 180, 240, 300};
        for (int s = 0; s <= 6; ++s) (s == 0 ? state.ResultIncident : state.DepthSpectra[s][3])[bins[s]] = 7.0;
        const auto factors = tessaray::computeConversionFactors(state);
        QVERIFY(factors.has_value());
        for (int s = 0; s <= 6; ++s) {
            const double expected = 3.0 * bins[s] / (2.0 + bins[s]);
            QVERIFY(qFuzzyCompare(factors->RatioOfSums[s], expected));
            QVERIFY(qFuzzyCompare(factors->MeanOfRatios[s], expected));
        }
    }

    // One zero air coefficient fails every read, even in a bin without weight.
    void zeroAirCoefficientFailsTheRead() {
        state_->AirCoefficient[299] = 0.0;
        const Module1 before = *state_;
        QVERIFY(!tessaray::readResultFile(write("run.csv", resultText(peakedRows(160, 40))), *state_).ok);
        QVERIFY(sameTables(*state_, before));
    }

    void readStoresMeanOfRatios() {
        for (int i = 1; i <= kBins; ++i) state_->TissueCoefficient[i] = i <= 100 ? 1.0 : 2.0;
        const auto outcome = tessaray::readResultFile(write("run.csv", resultText(peakedRows(160, 100))), *state_);
        QVERIFY(outcome.ok);
        QCOMPARE(state_->ConversionFactor, outcome.factors.MeanOfRatios);
        // With air 1 both forms agree; the mix of ratios 1 and 2 lies between.
        QVERIFY(qFuzzyCompare(outcome.factors.RatioOfSums[0], outcome.factors.MeanOfRatios[0]));
        QVERIFY(state_->ConversionFactor[0] > 1.0 && state_->ConversionFactor[0] < 2.0);
    }

    void previewLinesStopAtTheFileEnd() {
        const QString path = write("three.csv", "one\r\ntwo\nthree");
        QCOMPARE(tessaray::readLeadingLines(path, 10), (QStringList{"one", "two", "three"}));
        QCOMPARE(tessaray::readLeadingLines(write("run.csv", resultText(peakedRows(5, 2))), 10).size(), 10);
        QVERIFY(tessaray::readLeadingLines(dir_.filePath("absent.csv"), 10).isEmpty());
    }

    // The preview shows exactly the lines the reader takes as the header,
    // whatever the line ends.
    void previewAndReaderSplitLinesAlike_data() {
        QTest::addColumn<QByteArray>("eol");
        QTest::newRow("CR LF") << QByteArray("\r\n");
        QTest::newRow("LF") << QByteArray("\n");
        QTest::newRow("lone CR") << QByteArray("\r");
    }
    void previewAndReaderSplitLinesAlike() {
        QFETCH(QByteArray, eol);
        const QString path = write("run.csv", resultText(peakedRows(30, 10), eol.constData()));
        const auto outcome = tessaray::readResultFile(path, *state_);
        QVERIFY(outcome.ok);
        QCOMPARE(state_->ResultRowCount, 30);
        const QStringList preview = tessaray::readLeadingLines(path, 10);
        QCOMPARE(preview, outcome.headerLines.mid(0, 10));
        QCOMPARE(preview[9], QStringLiteral(" in water phantom"));
    }

    // Only regular files are read, and never more than the limit and one byte:
    // a link to an endless device, a named pipe without a writer and a folder
    // are refused at once by the reader and by the preview.
    void onlyRegularFilesAreRead_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("link to /dev/zero") << QStringLiteral("device");
        QTest::newRow("named pipe") << QStringLiteral("pipe");
        QTest::newRow("folder") << QStringLiteral("folder");
        QTest::newRow("one byte over the limit") << QStringLiteral("large");
    }
    void onlyRegularFilesAreRead() {
        QFETCH(QString, kind);
        const QString path = dir_.filePath(QStringLiteral("odd-%1.csv").arg(kind));
        QFile::remove(path);
        if (kind == QStringLiteral("device")) {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        } else if (kind == QStringLiteral("pipe")) {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == QStringLiteral("folder")) {
            QVERIFY(QDir(dir_.path()).mkdir(QFileInfo(path).fileName()));
        } else {
            // A valid file, padded with blanks on its header's first line.
            QByteArray text = resultText(peakedRows(20, 5));
            text.insert(1, QByteArray(tessaray::kResultFileLimit + 1 - text.size(), ' '));
            QCOMPARE(qint64(text.size()), tessaray::kResultFileLimit + 1);
            write(QFileInfo(path).fileName(), text);
        }
        const Module1 before = *state_;
        QVERIFY(!tessaray::readResultFile(path, *state_).ok);
        QVERIFY(sameTables(*state_, before));
        QVERIFY(tessaray::readLeadingLines(path, 10).isEmpty());
    }

    void regularFileLimitCountsBytesRead() {
        const QString path = write("four.csv", "abcd");
        QCOMPARE(tessaray::readRegularFile(path, 4).value_or("none"), QByteArray("abcd"));
        QVERIFY(!tessaray::readRegularFile(path, 3).has_value());
        QCOMPARE(tessaray::readRegularFile(write("empty.csv", ""), 4).value_or("none"), QByteArray());
        QVERIFY(!tessaray::readRegularFile(QStringLiteral("/dev/zero"), 1024).has_value());
    }
};

QTEST_GUILESS_MAIN(ViewerReadingTest)
#include "viewer_reading_test.moc"
