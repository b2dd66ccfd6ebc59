#include "host/conversions.h"

#include <QTest>

#include <cmath>
#include <limits>

class tst_Conversions : public QObject
{
    Q_OBJECT

private slots:
    void parseLeadingNumber_data();
    void parseLeadingNumber();
    void roundToInt32_data();
    void roundToInt32();
    void trimSpaces_data();
    void trimSpaces();
};

void tst_Conversions::parseLeadingNumber_data()
{
    constexpr double infinity = std::numeric_limits<double>::infinity();
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("number");

    QTest::addRow("digits") << "7" << 7.0;
    QTest::addRow("digits then letters") << "12abc" << 12.0;
    QTest::addRow("empty") << "" << 0.0;
    QTest::addRow("blank") << "   " << 0.0;
    QTest::addRow("letters") << "abc" << 0.0;
    QTest::addRow("leading spaces and tab") << " \t 8" << 8.0;
    QTest::addRow("explicit plus") << "+5" << 5.0;
    QTest::addRow("negative") << "-3" << -3.0;
    QTest::addRow("fraction") << "7.8" << 7.8;
    QTest::addRow("fraction without digits before") << ".5" << 0.5;
    QTest::addRow("trailing point") << "6." << 6.0;
    QTest::addRow("exponent") << "5e-1" << 0.5;
    QTest::addRow("upper-case exponent") << "5E-1" << 0.5;
    QTest::addRow("upper-case exponent, positive") << "1E1" << 10.0;
    QTest::addRow("exponent without digits") << "3e" << 3.0;
    QTest::addRow("comma is not a decimal point") << "7,5" << 7.0;
    QTest::addRow("overflow") << "1e309" << infinity;
    QTest::addRow("negative overflow") << "-1e309" << -infinity;
    QTest::addRow("underflow") << "1e-400" << 0.0;
    QTest::addRow("inf is not a number") << "inf" << 0.0;
    QTest::addRow("nan is not a number") << "nan" << 0.0;
    QTest::addRow("hexadecimal stops at x") << "0x10" << 0.0;
    QTest::addRow("basic hexadecimal") << "&H10" << 0.0;
    QTest::addRow("arabic-indic digit") << QString::fromUtf8("\u0663") << 0.0;
    QTest::addRow("embedded nul") << QString::fromLatin1("9\0"
                                                         "5",
                                                         3)
                                  << 9.0;
    QTest::addRow("space inside the number ends it") << "1 2" << 1.0;
    QTest::addRow("10,000 digits") << QString(10000, QLatin1Char('9')) << infinity;
}

void tst_Conversions::parseLeadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, number);
    QCOMPARE(::parseLeadingNumber(text), number);
}

void tst_Conversions::roundToInt32_data()
{
    constexpr double infinity = std::numeric_limits<double>::infinity();
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("inRange");
    QTest::addColumn<int>("rounded");

    QTest::addRow("down") << 7.2 << true << 7;
    QTest::addRow("up") << 7.8 << true << 8;
    QTest::addRow("half to even, down") << 6.5 << true << 6;
    QTest::addRow("half to even, up") << 7.5 << true << 8;
    QTest::addRow("negative zero") << -0.0 << true << 0;
    QTest::addRow("lowest half") << -2147483648.5 << true << std::numeric_limits<qint32>::min();
    QTest::addRow("below the range") << -2147483649.0 << false << 0;
    QTest::addRow("highest") << 2147483647.4 << true << std::numeric_limits<qint32>::max();
    QTest::addRow("above the range") << 2147483647.5 << false << 0;
    QTest::addRow("minus infinity") << -infinity << false << 0;
    QTest::addRow("infinity") << infinity << false << 0;
    QTest::addRow("not a number") << std::nan("") << false << 0;
}

void tst_Conversions::roundToInt32()
{
    QFETCH(double, value);
    QFETCH(bool, inRange);
    QFETCH(int, rounded);
    const std::optional<qint32> result = ::roundToInt32(value);
    QCOMPARE(result.has_value(), inRange);
    if (result)
        QCOMPARE(*result, rounded);
}

void tst_Conversions::trimSpaces_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("trimmed");

    QTest::addRow("both ends") << "  4 "
                               << "4";
    QTest::addRow("inner spaces stay") << " 1 0 "
                                       << "1 0";
    QTest::addRow("only spaces") << "   "
                                 << "";
    QTest::addRow("tabs stay") << "\t4\t"
                               << "\t4\t";
}

void tst_Conversions::trimSpaces()
{
    QFETCH(QString, text);
    QFETCH(QString, trimmed);
    QCOMPARE(::trimSpaces(text), trimmed);
}

QTEST_APPLESS_MAIN(tst_Conversions)
#include "tst_conversions.moc"
