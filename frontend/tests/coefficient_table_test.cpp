// Loading the air and soft-tissue columns of the coefficient table.

#include <QTemporaryDir>
#include <QTest>

#include "input_support.h"
#include "shell/coefficient_table.h"
#include "shell/file_lookup.h"

using namespace tessaray;
using namespace tessaray_test;

class CoefficientTableTest : public QObject {
    Q_OBJECT
private slots:
    void loadsColumnsFiveAndSixUnderEitherSpelling();
    void readsByCountingNumbersNotLines();
    void refusesBadTables_data();
    void refusesBadTables();
    void loadsAZeroAirCoefficient();
    void refusesMissingFile();
    void loadsTheShippedTable();
    void findsFilesIgnoringCase();
};

void CoefficientTableTest::loadsColumnsFiveAndSixUnderEitherSpelling() {
    QTemporaryDir dir;
    // The file carries the engine's spelling; the front-end asks for "Att_coeff2023.dat".
    QVERIFY(writeFile(dir.filePath(QStringLiteral("Att_Coeff2023.dat")), coefficientTableText() + "   extra line 1 2 3\r\n"));
    Module1 state;
    QString error;
    QVERIFY2(loadCoefficientTable(state, &error, QDir(dir.path())), qPrintable(error));
    for (int r : {1, 2, 160, 299, 300}) {
        QCOMPARE(state.AirCoefficient[r], tableValue(r, 5));
        QCOMPARE(state.TissueCoefficient[r], tableValue(r, 6));
    }
    QCOMPARE(state.AirCoefficient[0], 0.0);
    QCOMPARE(state.TissueCoefficient[0], 0.0);
}

void CoefficientTableTest::readsByCountingNumbersNotLines() {
    // The same 2400 numbers, five to a line, separated by commas and tabs, with
    // a D exponent: row r is still numbers 8r-7 .. 8r.
    QByteArray text;
    int count = 0;
    for (int r = 1; r <= 300; ++r) {
        for (int f = 1; f <= 8; ++f) {
            QByteArray number = QByteArray::number(f == 1 ? 0.5 * r : tableValue(r, f), 'E', 8);
            if (f == 6) number.replace('E', 'D');
            text += number;
            text += (++count % 5 == 0) ? QByteArray("\n") : QByteArray(",\t");
        }
    }
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("att_coeff2023.DAT")), text));
    Module1 state;
    QString error;
    QVERIFY2(loadCoefficientTable(state, &error, QDir(dir.path())), qPrintable(error));
    QCOMPARE(state.AirCoefficient[1], tableValue(1, 5));
    QCOMPARE(state.TissueCoefficient[123], tableValue(123, 6));
    QCOMPARE(state.AirCoefficient[300], tableValue(300, 5));
}

void CoefficientTableTest::refusesBadTables_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("expectedError");
    const QByteArray full = coefficientTableText();
    QByteArray oneShort = full.left(full.lastIndexOf(' '));  // last number of row 300 removed
    QTest::newRow("299 rows") << coefficientTableText(299) << "input past end of file: 2392 of 2400";
    QTest::newRow("one number short") << oneShort << "input past end of file: 2399 of 2400";
    QTest::newRow("empty file") << QByteArray() << "input past end of file: 0 of 2400";
    auto at = [&full](int row, int field) {
        const qsizetype i = full.indexOf(QByteArray::number(tableValue(row, field), 'E', 6));
        Q_ASSERT(i > 0);
        return i;
    };
    QByteArray word = full;
    word.replace(at(12, 6), 12, "   not-a-num");
    QTest::newRow("word in place of a number") << word << "row 12, number 6: \"not-a-num\" is not a number";
}

void CoefficientTableTest::refusesBadTables() {
    QFETCH(QByteArray, text);
    QFETCH(QString, expectedError);
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("Att_Coeff2023.dat")), text));
    Module1 state;
    state.AirCoefficient[5] = 42.0;  // an earlier load stays as it was
    QString error;
    QVERIFY(!loadCoefficientTable(state, &error, QDir(dir.path())));
    // Japanese first, then the file, the place and the reason.
    QCOMPARE(error.section(u'\n', 0, 0), QStringLiteral("係数ファイル Att_coeff2023.dat を正しく読み込めません"));
    QVERIFY2(error.section(u'\n', 1).contains(expectedError), qPrintable(error));
    QVERIFY2(error.section(u'\n', 1).contains(QStringLiteral("Att_Coeff2023.dat")), qPrintable(error));
    QCOMPARE(state.AirCoefficient[5], 42.0);
    QCOMPARE(state.TissueCoefficient[1], 0.0);
}

// A zero air coefficient does not stop the load: the program goes on to the
// condition window, and only the result reads fail on it later.
void CoefficientTableTest::loadsAZeroAirCoefficient() {
    QByteArray text = coefficientTableText();
    const QByteArray air7 = QByteArray::number(tableValue(7, 5), 'E', 6);
    QVERIFY(text.contains(air7));
    text.replace(text.indexOf(air7), air7.size(), "0.000000E+00");
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("Att_Coeff2023.dat")), text));
    Module1 state;
    state.AirCoefficient[7] = 42.0;
    QString error;
    QVERIFY2(loadCoefficientTable(state, &error, QDir(dir.path())), qPrintable(error));
    QCOMPARE(state.AirCoefficient[7], 0.0);
    QCOMPARE(state.TissueCoefficient[7], tableValue(7, 6));
    QCOMPARE(state.AirCoefficient[8], tableValue(8, 5));
}

void CoefficientTableTest::refusesMissingFile() {
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("Att_Coeff2022.dat")), coefficientTableText()));
    Module1 state;
    QString error;
    QVERIFY(!loadCoefficientTable(state, &error, QDir(dir.path())));
    QCOMPARE(error.section(u'\n', 0, 0), QStringLiteral("係数ファイル Att_coeff2023.dat が見つかりません"));
    QVERIFY2(error.section(u'\n', 1).startsWith(QStringLiteral("Att_coeff2023.dat: file not found")), qPrintable(error));
}

void CoefficientTableTest::loadsTheShippedTable() {
    const QDir data(QStringLiteral(SHIPPED_DATA));
    if (!data.exists(QStringLiteral("Att_Coeff2023.dat"))) QSKIP("the shipped coefficient table is not there yet");
    Module1 state;
    QString error;
    QVERIFY2(loadCoefficientTable(state, &error, data), qPrintable(error));
    for (int r = 1; r <= kBins; ++r) {
        QVERIFY2(state.AirCoefficient[r] > 0, qPrintable(QStringLiteral("air, row %1").arg(r)));
        QVERIFY2(state.TissueCoefficient[r] > 0, qPrintable(QStringLiteral("tissue, row %1").arg(r)));
    }
}

void CoefficientTableTest::findsFilesIgnoringCase() {
    QTemporaryDir dir;
    const QDir folder(dir.path());
    QVERIFY(writeFile(dir.filePath(QStringLiteral("Result.CSV")), "x"));
    QCOMPARE(findFileIgnoringCase(folder, QStringLiteral("result.csv")), dir.filePath(QStringLiteral("Result.CSV")));
    QCOMPARE(findFileIgnoringCase(folder, QStringLiteral("other.csv")), QString());
    // A folder of that name is not a file.
    QVERIFY(folder.mkdir(QStringLiteral("data.dat")));
    QCOMPARE(findFileIgnoringCase(folder, QStringLiteral("DATA.dat")), QString());
    // Two spellings that differ only in case: only the exact one is certain.
    QVERIFY(writeFile(dir.filePath(QStringLiteral("a.dat")), "1"));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("A.dat")), "2"));
    QCOMPARE(findFileIgnoringCase(folder, QStringLiteral("A.dat")), dir.filePath(QStringLiteral("A.dat")));
    QCOMPARE(findFileIgnoringCase(folder, QStringLiteral("a.DAT")), QString());
}

QTEST_APPLESS_MAIN(CoefficientTableTest)
#include "coefficient_table_test.moc"
