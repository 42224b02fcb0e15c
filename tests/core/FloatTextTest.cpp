#include "core/FloatText.h"

#include <QTest>
#include <limits>

class FloatTextTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void printsLikeTheGeneralFormat_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");

        const auto row = [](const char *name, double value, const char *text) {
            QTest::newRow(name) << value << QString::fromLatin1(text);
        };
        row("speed", 1.46, "1.46");
        row("whole number", 447, "447");
        row("half", 0.5, "0.5");
        row("zero", 0, "0");
        row("negative zero", -0.0, "0");
        row("negative", -3.25, "-3.25");
        row("a megabyte in megabytes", 1048576.0 / 1024 / 1024, "1");
        row("ratio", 1536.0 / 1024, "1.5");
        row("binary noise rounds away", 0.1 + 0.2, "0.3");
        row("third", 1.0 / 3, "0.333333333333333");
        row("two thirds rounds up", 2.0 / 3, "0.666666666666667");
        row("hundred", 100, "100");
        row("15 integer digits stay fixed", 999999999999999.0, "999999999999999");
        row("1E14 is fixed", 1e14, "100000000000000");
        row("1E15 is scientific", 1e15, "1E15");
        row("rounding up reaches 16 digits", 999999999999999.9, "1E15");
        row("large", 123456789012345678.0, "1.23456789012346E17");
        row("digits after the point", 12345.678, "12345.678");
        row("fraction of 15 digits", 1234567.891234567, "1234567.89123457");
        row("0.0001 is fixed", 0.0001, "0.0001");
        row("small negative fixed", -0.000123, "-0.000123");
        row("0.00001 is scientific", 0.00001, "1E-5");
        row("small", 1.5e-7, "1.5E-7");
        row("negative small", -2.25e-10, "-2.25E-10");
        row("largest double", std::numeric_limits<double>::max(), "1.79769313486232E308");
        row("smallest denormal", std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324");
        row("not a number", std::numeric_limits<double>::quiet_NaN(), "NAN");
        row("infinity", std::numeric_limits<double>::infinity(), "INF");
        row("negative infinity", -std::numeric_limits<double>::infinity(), "-INF");
    }

    void printsLikeTheGeneralFormat() {
        QFETCH(double, value);
        QTEST(FloatToStr(value), "text");
    }

    void usesTheGivenDecimalSeparator() {
        QCOMPARE(FloatToStr(1.46, u","), QStringLiteral("1,46"));
        QCOMPARE(FloatToStr(1.5e-7, u","), QStringLiteral("1,5E-7"));
        QCOMPARE(FloatToStr(447, u","), QStringLiteral("447"));
    }
};

QTEST_GUILESS_MAIN(FloatTextTest)
#include "FloatTextTest.moc"
