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
        QTest::newRow("exclamation mark") << QByteArray("!") << QByteArray("i");
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

    // An earlier launcher scrambled a space like a tilde (except at key '!'); that still reads as a tilde.
    void earlierSpacesReadBackAsTildes() {
        QCOMPARE(UnscrambleText("j", ScrambleKey), QByteArray("~"));
        QCOMPARE(UnscrambleText("j3~", ScrambleKey), QByteArray("~~ "));
    }

    void everyByteSurvivesAtEveryKeyPosition() {
        for (int position = 0; position < ScrambleKey.size(); ++position) {
            for (int code = 0; code < 256; ++code) {
                QByteArray text(position, 'a');
                text.append(static_cast<char>(code));
                const QByteArray scrambled = ScrambleText(text, ScrambleKey);
                QCOMPARE(scrambled.size(), text.size());
                QCOMPARE(UnscrambleText(scrambled, ScrambleKey), text);
                const int out = static_cast<unsigned char>(scrambled.back());
                if (code >= 32 && code <= 126)
                    QVERIFY2(out >= 32 && out <= 126,
                             qPrintable(QStringLiteral("%1 at %2").arg(code).arg(position)));
                else if (code >= 128)
                    QVERIFY(out >= 128);
            }
        }
    }

    void keyIsUsedCyclically() {
        const QByteArray password(30, 'Q');
        const QByteArray scrambled = ScrambleText(password, ScrambleKey);
        QCOMPARE(scrambled.size(), 30);
        QCOMPARE(scrambled.mid(28), scrambled.left(2));
        QVERIFY(scrambled.at(2) != scrambled.at(0));
    }

    void emptyKeyChangesNothing() {
        QCOMPARE(ScrambleText("pass word", {}), QByteArray("pass word"));
        QCOMPARE(UnscrambleText("pass word", {}), QByteArray("pass word"));
    }
};

QTEST_GUILESS_MAIN(ScrambleTest)
#include "ScrambleTest.moc"
