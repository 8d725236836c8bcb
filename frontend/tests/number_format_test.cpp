// Reading numbers out of text boxes and writing them with the digit masks.

#include <QTest>

#include <clocale>
#include <limits>

#include "shell/number_format.h"

using tessaray::formatMask;
using tessaray::readNumber;

class NumberFormatTest : public QObject {
    Q_OBJECT
private slots:
    void readsLeadingNumericPart_data();
    void readsLeadingNumericPart();
    void readingIgnoresTheLocale();
    void formatsWithMask_data();
    void formatsWithMask();
};

void NumberFormatTest::readsLeadingNumericPart_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("plain integer") << "100" << 100.0;
    QTest::newRow("decimal") << "2.5" << 2.5;
    QTest::newRow("trailing letters") << "12abc" << 12.0;
    QTest::newRow("blank inside") << "1 5" << 15.0;
    QTest::newRow("tab and line feed inside") << "\t1\n2.\t5 " << 12.5;
    QTest::newRow("no numeric part") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("blanks only") << "   " << 0.0;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("point alone") << "." << 0.0;
    QTest::newRow("negative") << "-3.25" << -3.25;
    QTest::newRow("plus sign") << "+7" << 7.0;
    QTest::newRow("blank between sign and digits") << "- 4" << -4.0;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("trailing point") << "5." << 5.0;
    QTest::newRow("second point ends") << "1.2.3" << 1.2;
    QTest::newRow("comma ends") << "1,5" << 1.0;
    QTest::newRow("exponent E") << "1E6" << 1.0e6;
    QTest::newRow("exponent e with sign") << "2.5e-1" << 0.25;
    QTest::newRow("exponent D") << "8.0D1" << 80.0;
    QTest::newRow("exponent with blank") << "1 e 3" << 1000.0;
    QTest::newRow("exponent without digits") << "3e" << 3.0;
    QTest::newRow("exponent sign without digits") << "3e+x" << 3.0;
    QTest::newRow("leading zeros") << "0080.0" << 80.0;
    // Entries of a Japanese input method read as their ASCII forms.
    QTest::newRow("full-width digits") << QString::fromUtf8("２００") << 200.0;
    QTest::newRow("half and full width mixed") << QString::fromUtf8("1２") << 12.0;
    QTest::newRow("full-width point") << QString::fromUtf8("２．５") << 2.5;
    QTest::newRow("full-width minus") << QString::fromUtf8("－０．２５") << -0.25;
    QTest::newRow("full-width plus") << QString::fromUtf8("＋７") << 7.0;
    QTest::newRow("ideographic space inside") << QString::fromUtf8("　１　５　") << 15.0;
    QTest::newRow("full-width exponent") << QString::fromUtf8("１Ｅ６") << 1.0e6;
    QTest::newRow("full-width letters end") << QString::fromUtf8("７０ｃｍ") << 70.0;
    QTest::newRow("kanji ends") << QString::fromUtf8("12度") << 12.0;
    QTest::newRow("overflow reads as 0") << "1e999" << 0.0;
    QTest::newRow("underflow reads as 0") << "1e-999" << 0.0;
}

void NumberFormatTest::readsLeadingNumericPart() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(readNumber(text), expected);
}

void NumberFormatTest::readingIgnoresTheLocale() {
    // A locale that writes a decimal comma must not change how "2.5" reads.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        QSKIP("no locale with a decimal comma is installed");
    const double value = readNumber(QStringLiteral("2.5"));
    std::setlocale(LC_NUMERIC, saved.c_str());
    QCOMPARE(value, 2.5);
}

void NumberFormatTest::formatsWithMask_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("expected");
    // Tube voltage and field diameter.
    QTest::newRow("0000.0 100") << 100.0 << "0000.0" << "0100.0";
    QTest::newRow("0000.0 150") << 150.0 << "0000.0" << "0150.0";
    QTest::newRow("0000.0 0.5") << 0.5 << "0000.0" << "0000.5";
    QTest::newRow("0000.0 80") << 80.0 << "0000.0" << "0080.0";
    QTest::newRow("0000.0 99.95 rounds up") << 99.95 << "0000.0" << "0100.0";
    QTest::newRow("0000.0 80.04 rounds down") << 80.04 << "0000.0" << "0080.0";
    QTest::newRow("0000.0 five digits") << 12345.6 << "0000.0" << "12345.6";
    QTest::newRow("0000.0 zero") << 0.0 << "0000.0" << "0000.0";
    // Angle and filters.
    QTest::newRow("00.000 12") << 12.0 << "00.000" << "12.000";
    QTest::newRow("00.000 1") << 1.0 << "00.000" << "01.000";
    QTest::newRow("00.000 0.1") << 0.1 << "00.000" << "00.100";
    QTest::newRow("00.000 2.5") << 2.5 << "00.000" << "02.500";
    QTest::newRow("00.000 three integer digits") << 123.0 << "00.000" << "123.000";
    QTest::newRow("00.000 negative") << -1.5 << "00.000" << "-01.500";
    QTest::newRow("00.000 negative half away from zero") << -0.0125 << "00.000" << "-00.013";
    QTest::newRow("00.000 decimal half rounds up") << 2.0005 << "00.000" << "02.001";
    QTest::newRow("00.000 decimal half 1.0005") << 1.0005 << "00.000" << "01.001";
    QTest::newRow("00.000 below half") << 2.00049 << "00.000" << "02.000";
    QTest::newRow("00.000 carry through nines") << 9.9996 << "00.000" << "10.000";
    QTest::newRow("00.000 tiny negative has no sign") << -0.0001 << "00.000" << "00.000";
    // Photons per square centimetre: a whole number and a trailing point.
    QTest::newRow("0000000000. million") << 1.0e6 << "0000000000." << "0001000000.";
    QTest::newRow("0000000000. rounds half up") << 2.5 << "0000000000." << "0000000003.";
    QTest::newRow("0000000000. eleven digits") << 12345678901.0 << "0000000000." << "12345678901.";
    QTest::newRow("0000000000. large") << 1.0e20 << "0000000000." << "100000000000000000000.";
    // Codes.
    QTest::newRow("00 1") << 1.0 << "00" << "01";
    QTest::newRow("00 3") << 3.0 << "00" << "03";
    QTest::newRow("00 123") << 123.0 << "00" << "123";
    // Masks of the viewer.
    QTest::newRow("0.000") << 1.8 << "0.000" << "1.800";
    QTest::newRow("0.000 five thirds") << 5.0 / 3.0 << "0.000" << "1.667";
    QTest::newRow("###.0 bin 1 has no leading zero") << 0.5 << "###.0" << ".5";
    QTest::newRow("###.0 80") << 80.0 << "###.0" << "80.0";
    QTest::newRow("###.0 150") << 150.0 << "###.0" << "150.0";
    QTest::newRow("0.00000 1.4") << 1.4 << "0.00000" << "1.40000";
    QTest::newRow("0.00000 zero") << 0.0 << "0.00000" << "0.00000";
    QTest::newRow("0.00000 small") << 0.000123456 << "0.00000" << "0.00012";
    QTest::newRow("non-finite writes zero") << std::numeric_limits<double>::infinity() << "0000.0" << "0000.0";
}

void NumberFormatTest::formatsWithMask() {
    QFETCH(double, value);
    QFETCH(QString, mask);
    QFETCH(QString, expected);
    QCOMPARE(formatMask(value, mask), expected);
}

QTEST_APPLESS_MAIN(NumberFormatTest)
#include "number_format_test.moc"
