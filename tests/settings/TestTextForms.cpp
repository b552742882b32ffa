#include "TextForms.h"

#include <QLocale>
#include <QTest>

using namespace TextForms;

Q_DECLARE_METATYPE(std::optional<double>)

namespace {
const std::optional<double> none;
QString decimal(const QString &whole, const QString &fraction) {
    return whole + QLocale::system().decimalPoint() + fraction;
}
} // namespace

class TestTextForms : public QObject {
    Q_OBJECT
  private slots:
    void numbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<double>>("expected");
        const bool comma = QLocale::system().decimalPoint() == QLatin1String(",");
        QTest::newRow("blanks") << " -1 " << std::optional(-1.0);
        QTest::newRow("exponent") << "1e3" << std::optional(1000.0);
        QTest::newRow("user's decimal") << decimal("10", "5") << std::optional(10.5);
        // Under a decimal-comma locale the point only reads through the C fallback.
        QTest::newRow("decimal point") << "10.5" << std::optional(10.5);
        QTest::newRow("grouped") << "1.234,5" << (comma ? std::optional(1234.5) : none);
        QTest::newRow("word") << "abc" << none;
        QTest::newRow("empty") << "" << none;
        QTest::newRow("infinite") << "inf" << none;
        QTest::newRow("overflow") << "1e400" << none;
    }
    void numbers() {
        QFETCH(QString, text);
        QFETCH(std::optional<double>, expected);
        QCOMPARE(parseNumber(text), expected);
    }

    void wholeNumbers() {
        // Halves go to the even neighbour.
        for (const auto &[value, rounded] :
             QList<std::pair<double, double>>{{10.5, 10}, {11.5, 12}, {-2.5, -2}, {2.5001, 3}})
            QCOMPARE(roundHalfEven(value), rounded);
        QCOMPARE(parseInt16(decimal("10", "5")), std::optional<qint16>(10));
        QCOMPARE(parseInt16("-32768"), std::optional<qint16>(-32768));
        QCOMPARE(parseInt16("32767.4"), std::optional<qint16>(32767));
        QCOMPARE(parseInt16("32767.5"), std::nullopt); // rounds to 32768
        QCOMPARE(parseInt16("7x"), std::nullopt);
        QCOMPARE(parseInt32("-2147483648"), std::optional<qint32>(INT_MIN));
        QCOMPARE(parseInt32("2147483648"), std::nullopt);
    }

    void truthValues() {
        for (const char *text : {" tRuE ", "-1", "0.5"})
            QVERIFY2(parseBool(text) == std::optional(true), text);
        for (const char *text : {"FALSE", "0", "0.0"})
            QVERIFY2(parseBool(text) == std::optional(false), text);
        for (const char *text : {"yes", "", "Truee"})
            QVERIFY2(!parseBool(text), text);
    }

    void writtenForms() {
        QCOMPARE(formatInt(-1), "-1");
        QCOMPARE(formatBool(true), "True");
        QCOMPARE(versionText(2, 5, 12), "2.05.0012");
        QCOMPARE(versionText(1, 123, 45678), "1.123.45678");
        // Never grouped, so that the text reads back in the same locale.
        QCOMPARE(formatCoord(12345.5), decimal("12345", "5"));
        for (double value : {-15.0, 0.1, 491505.0}) {
            const std::optional<double> back = parseNumber(formatCoord(value));
            QVERIFY2(back && float(*back) == float(value), qPrintable(formatCoord(value)));
        }
    }
};

int runTextFormsTests(int argc, char **argv) {
    TestTextForms test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestTextForms.moc"
