#include "core/FormBody.h"

#include <QTest>
#include <QUrlQuery>

namespace {

// A server that reads "+" as a blank, as HTML forms are read.
QByteArray decodedPlusAsBlank(QByteArray part) {
    part.replace('+', ' ');
    return QByteArray::fromPercentEncoding(part);
}

} // namespace

class FormBodyTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void encodesEveryReservedByte_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("encoded");

        QTest::newRow("plain") << QByteArray("Global") << QByteArray("Global");
        QTest::newRow("unreserved marks") << QByteArray("a-b.c_d*e") << QByteArray("a-b.c_d*e");
        QTest::newRow("plus in an e-mail")
            << QByteArray("ann+games@example.org") << QByteArray("ann%2Bgames%40example.org");
        QTest::newRow("blank") << QByteArray("see you") << QByteArray("see%20you");
        QTest::newRow("separators") << QByteArray("a&b=c;d") << QByteArray("a%26b%3Dc%3Bd");
        QTest::newRow("percent and tilde") << QByteArray("100%~") << QByteArray("100%25%7E");
        QTest::newRow("slash and question") << QByteArray("/w?#") << QByteArray("%2Fw%3F%23");
        QTest::newRow("line break") << QByteArray("a\r\nb") << QByteArray("a%0D%0Ab");
        QTest::newRow("UTF-8") << QStringView(u"Grüße ☺").toUtf8()
                               << QByteArray("Gr%C3%BC%C3%9Fe%20%E2%98%BA");
        QTest::newRow("zero byte") << QByteArray("a\0b", 3) << QByteArray("a%00b");
    }

    void encodesEveryReservedByte() {
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, encoded);
        QCOMPARE(FormBody({{"v", value}}), "v=" + encoded);
    }

    // Whichever way the server treats "+", every value arrives as it was sent.
    void valuesSurviveBothServerReadings_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("e-mail with plus") << QByteArray("first+last@example.org");
        QTest::newRow("password") << QByteArray("p@ss w+rd&=%2B");
        QTest::newRow("chat line") << QStringView(u"Привет, мир + 1 = 2?").toUtf8();
    }

    void valuesSurviveBothServerReadings() {
        QFETCH(QByteArray, value);
        const QByteArray body = FormBody({{"email", value}, {"loginid", "5"}});
        const QList<QByteArray> pairs = body.split('&');
        QCOMPARE(pairs.size(), 2);
        QVERIFY(pairs[0].startsWith("email="));
        QCOMPARE(decodedPlusAsBlank(pairs[0].mid(6)), value);

        const QUrlQuery query(QString::fromLatin1(body));
        QCOMPARE(query.queryItemValue(QStringLiteral("email"), QUrl::FullyDecoded), QString::fromUtf8(value));
    }

    void keepsOrderAndDropsEmptyValues() {
        QCOMPARE(FormBody({{"username", "Ann"},
                           {"command", "CheckChat"},
                           {"channel", "Global"},
                           {"chattext", ""},
                           {"wshpto", {}},
                           {"loginid", "42"}}),
                 QByteArray("username=Ann&command=CheckChat&channel=Global&loginid=42"));
        QCOMPARE(FormBody({{"a", ""}, {"b", "1"}}), QByteArray("b=1"));
        QCOMPARE(FormBody({{"a", ""}}), QByteArray());
        QCOMPARE(FormBody({}), QByteArray());
    }
};

QTEST_GUILESS_MAIN(FormBodyTest)
#include "FormBodyTest.moc"
