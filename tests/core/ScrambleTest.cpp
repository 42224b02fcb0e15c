#include "core/Scramble.h"

#include <QTest>

class ScrambleTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Worked by hand from the key "k4!R8@t2#W6$y1%P9^u3&E5*q7(L" (codes 107, 52, 33, ...).
    void scramblesAsByHand_data() {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QByteArray>("scrambled");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("letters") << QByteArray("abc") << QByteArray(")O;");
        QTest::newRow("tildes, the third at key '!'") << QByteArray("~~~") << QByteArray("j3 ");
        // A space takes the code no printable character reaches there: 32, or 126 at key '!'.
        QTest::newRow("spaces") << QByteArray("   ") << QByteArray("  ~");
        QTest::newRow("UTF-8 bytes rotate among 128..255")
            << QByteArray("\xC3\xA9") << QByteArray("\x8D\xBC");
        QTest::newRow("control characters stay") << QByteArray("\t\x7F") << QByteArray("\t\x7F");
    }
    void scramblesAsByHand() {
        QFETCH(QByteArray, plain);
        QFETCH(QByteArray, scrambled);
        QCOMPARE(ScrambleText(plain, ScrambleKey), scrambled);
        QCOMPARE(UnscrambleText(scrambled, ScrambleKey), plain);
    }

    // An earlier launcher scrambled a space like a tilde (except at key '!'); that reads as a tilde.
    void earlierSpacesReadBackAsTildes() { QCOMPARE(UnscrambleText("j3~", ScrambleKey), QByteArray("~~ ")); }

    // Every byte at every key position (and past the key's end) comes back and stays in its class.
    void everyByteSurvives() {
        // Control codes stay as they are; printable and high codes stay printable and high.
        const auto kind = [](int code) { return code < 32 || code == 127 ? code : code < 127 ? 1000 : 2000; };
        for (int position = 0; position < ScrambleKey.size() + 2; ++position) {
            for (int code = 0; code < 256; ++code) {
                const QByteArray text = QByteArray(position, 'a') + char(code);
                const QByteArray scrambled = ScrambleText(text, ScrambleKey);
                QCOMPARE(UnscrambleText(scrambled, ScrambleKey), text);
                const int out = static_cast<unsigned char>(scrambled.back());
                QVERIFY2(kind(out) == kind(code),
                         qPrintable(QStringLiteral("%1 at %2").arg(code).arg(position)));
            }
        }
    }
};

QTEST_GUILESS_MAIN(ScrambleTest)
#include "ScrambleTest.moc"
