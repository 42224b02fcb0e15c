#include "core/UnzipProgress.h"

#include <QTest>

namespace {

struct Chunk {
    QByteArray name;
    quint32 packed;
    quint32 size;
    qint64 position;
};

} // namespace

class UnzipProgressTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // 1000 bytes of archive holding two stored files of 300 and 500 bytes.
    void workedExample() {
        UnzipProgress progress(1000, 2, 0);
        const QList<Chunk> chunks{{"a.bin", 300, 300, 0}, {"a.bin", 300, 300, 150}, {"a.bin", 300, 300, 300},
                                  {"b.bin", 500, 500, 0}, {"b.bin", 500, 500, 250}, {"b.bin", 500, 500, 500}};
        const QList<qint64> done{0, 150, 300, 300, 550, 1000};
        for (qsizetype i = 0; i < chunks.size(); ++i) {
            const Chunk &c = chunks[i];
            QVERIFY(!progress.Complete());
            progress.Report(c.name, c.packed, c.size, c.position);
            QCOMPARE(progress.UnzipDone, done[i]);
        }
        QCOMPARE(progress.UnzipEntryName, QByteArray("b.bin"));
        QCOMPARE(progress.UnzipPackedSum, 800);
        QCOMPARE(progress.UnzipFilesStarted, 2);
        QCOMPARE(progress.UnzipTailAdjust, 200);
        QCOMPARE(progress.ProgressValue(), 1000);
        QVERIFY(progress.Complete());
    }

    // Deflated entries count by their compressed end; the bar never moves back while an entry starts
    // below what the previous one reached.
    void compressedEntriesAndFolders() {
        UnzipProgress progress(700, 4, 2); // "Data/", "Data/x.txt", "Maps/", "Maps/y.txt"
        progress.Report("Data/x.txt", 100, 400, 0);
        QCOMPARE(progress.UnzipDone, -300);
        QCOMPARE(progress.ProgressValue(), 0);
        progress.Report("Data/x.txt", 100, 400, 400);
        QCOMPARE(progress.UnzipDone, 100);
        QCOMPARE(progress.UnzipTailAdjust, 0); // not the last entry yet

        progress.Report("Maps/y.txt", 200, 1000, 0);
        QCOMPARE(progress.UnzipDone, -700);
        QCOMPARE(progress.ProgressValue(), 100);
        progress.Report("Maps/y.txt", 200, 1000, 999);
        QVERIFY(!progress.Complete()); // the last entry is not complete before its last byte
        progress.Report("Maps/y.txt", 200, 1000, 1000);
        QCOMPARE(progress.UnzipFilesStarted, 2);
        QCOMPARE(progress.UnzipTailAdjust, 400);
        QCOMPARE(progress.UnzipDone, 700);
        QVERIFY(progress.Complete());
    }

    void endNeedsTheLastEntry_data() {
        QTest::addColumn<qint64>("entries");
        QTest::addColumn<qint64>("folders");
        QTest::addColumn<bool>("complete");

        QTest::newRow("two files") << qint64(2) << qint64(0) << true;
        QTest::newRow("a third entry never reports") << qint64(3) << qint64(0) << false;
        QTest::newRow("folders counted apart") << qint64(3) << qint64(1) << true;
    }

    void endNeedsTheLastEntry() {
        QFETCH(qint64, entries);
        QFETCH(qint64, folders);
        UnzipProgress progress(1000, entries, folders);
        progress.Report("a", 300, 300, 300);
        progress.Report("b", 500, 500, 500);
        QTEST(progress.Complete(), "complete");
        QCOMPARE(progress.ProgressValue(), progress.Complete() ? 1000 : 800);
    }

    // Sizes past 2 GiB, which 32-bit counters could not hold.
    void largeArchive() {
        const qint64 archive = 5'000'000'000;
        UnzipProgress progress(archive, 2, 0);
        progress.Report("big1", 3'000'000'000u, 4'000'000'000u, 4'000'000'000);
        QCOMPARE(progress.UnzipDone, 3'000'000'000);
        progress.Report("big2", 1'999'000'000u, 2'500'000'000u, 2'500'000'000);
        QCOMPARE(progress.UnzipDone, archive);
        QVERIFY(progress.Complete());
    }
};

QTEST_GUILESS_MAIN(UnzipProgressTest)
#include "UnzipProgressTest.moc"
