// The viewer's own conversion factors and the analysis library's agree to the
// last bit on the same result files and the same coefficient table.

#include <QtTest>

#include "analysis/result_analysis.h"
#include "shell/coefficient_table.h"
#include "viewer/result_reader.h"

class AnalysisAgreementTest : public QObject {
    Q_OBJECT

private slots:
    void factorsAreIdentical_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("engine 80 kV") << QStringLiteral(FRONTEND_FIXTURES "/viewer/engine_80kV.csv");
        QTest::newRow("Birch 70 kV") << QStringLiteral(ANALYSIS_FIXTURES "/birch70.csv");
        QTest::newRow("two bins with companion") << QStringLiteral(ANALYSIS_FIXTURES "/tiny.csv");
    }

    void factorsAreIdentical() {
        QFETCH(QString, path);
        tessaray::Module1 state;
        QString error;
        QVERIFY2(tessaray::loadCoefficientTable(state, &error, QDir(QStringLiteral(SHIPPED_DATA))), qPrintable(error));
        const tessaray::ResultReadOutcome viewer = tessaray::readResultFile(path, state);
        QVERIFY(viewer.ok);

        const analysis::ResultAnalysis library = analysis::analyseResult(
            path.toStdString(), analysis::readCoefficientTable(SHIPPED_DATA "/Att_Coeff2023.dat"));
        for (int s = 0; s <= tessaray::kDepths; ++s) {
            const auto index = static_cast<std::size_t>(s);
            // Exact equality: the hidden boxes and the factor table show the same numbers.
            QVERIFY2(viewer.factors.RatioOfSums[index] == library.counted[index].ratioOfSums.value,
                     qPrintable(QStringLiteral("ratio of sums, spectrum %1").arg(s)));
            QVERIFY2(state.ConversionFactor[index] == library.counted[index].meanOfRatios.value,
                     qPrintable(QStringLiteral("mean of ratios, spectrum %1").arg(s)));
        }
    }
};

QTEST_GUILESS_MAIN(AnalysisAgreementTest)
#include "analysis_agreement_test.moc"
