// The texts and figures the window shows: numbers, the download read-out, unpacking progress, shop cards.
#include "core/DownloadReadout.h"
#include "core/FloatText.h"
#include "core/ShopCardText.h"
#include "core/UnzipProgress.h"

#include <QTest>
#include <limits>

namespace {

constexpr qint64 MB = 1024 * 1024;

} // namespace

class ReadoutTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void floatTextIsTheGeneralFormat_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        const auto row = [](const char *name, double value, const char *text) {
            QTest::newRow(name) << value << QString::fromLatin1(text);
        };
        row("speed", 1.46, "1.46");
        row("1E15 is scientific", 1e15, "1E15");
        row("rounding up reaches 16 digits", 999999999999999.9, "1E15");
        row("negative small", -2.25e-10, "-2.25E-10");
        row("not a number", std::numeric_limits<double>::quiet_NaN(), "NAN");
        row("negative infinity", -std::numeric_limits<double>::infinity(), "-INF");
    }
    void floatTextIsTheGeneralFormat() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(FloatToStr(value), text);
        QCOMPARE(FloatToStr(value, u","), QString(text).replace(u'.', u','));
    }

    // Elapsed times are chosen so that read / elapsed gives the wanted bytes per millisecond.
    void downloadReadout_data() {
        QTest::addColumn<qint64>("length");
        QTest::addColumn<qint64>("read");
        QTest::addColumn<quint32>("elapsed");
        QTest::addColumn<QList<QByteArray>>("lines"); // size, bar, read, speed, remaining ("-": none)
        const auto row = [](const char *name, qint64 length, qint64 read, quint32 elapsed,
                            QList<QByteArray> lines) {
            QTest::newRow(name) << length << read << elapsed << lines;
        };
        row("worked example", 447 * MB + 123, 100 * MB, quint32(100 * MB / 2048),
            {"Size: (447 MB)", "100", "Size: (447 MB)       Downloaded: (100 MB)", "Download speed: 2 MB/s",
             "Remain: 2:53 min."});
        row("raised to the next tenth", 447 * MB, 5000000, 5000,
            {"Size: (447 MB)", "4", "Size: (447 MB)       Downloaded: (4.8 MB)", "Download speed: 0.97 MB/s",
             "Remain: 7:33 min."});
        row("one byte, speed 0", 447 * MB, 1, 2,
            {"Size: (447 MB)", "0", "Size: (447 MB)       Downloaded: (0.1 MB)", "Download speed: 0 MB/s",
             "-"});
        row("a leading zero second", 66 * MB, MB, quint32(MB / 1024),
            {"Size: (66 MB)", "1", "Size: (66 MB)       Downloaded: (1 MB)", "Download speed: 1 MB/s",
             "Remain: 1:05 min."});
        row("no length sent", -1, 3 * MB, 1536,
            {"", "3", "Downloaded: (3 MB)", "Download speed: 2 MB/s", "-"});
        row("past 2 GiB", 5000 * MB, 3000 * MB, quint32(3000 * MB / 10240),
            {"Size: (5000 MB)", "3000", "Size: (5000 MB)       Downloaded: (3000 MB)",
             "Download speed: 10 MB/s", "Remain: 3:20 min."});
    }
    void downloadReadout() {
        QFETCH(qint64, length);
        QFETCH(qint64, read);
        QFETCH(quint32, elapsed);
        const DownloadSize size = MeasureDownload(length);
        const DownloadProgress p =
            ApplyDownloadProgress(size, DownloadTitleLine("Hexbound"), read, DownloadSpeed(read, elapsed));
        QCOMPARE(p.StatusLine, QByteArray("Downloading:      Hexbound"));
        QTEST((QList<QByteArray>{size.DownloadSizeText, QByteArray::number(p.ProgressValue), p.SizeLine,
                                 p.SpeedLine.value_or("-"), p.RemainLine.value_or("-")}),
              "lines");
        const DownloadProgress comma =
            ApplyDownloadProgress(size, {}, read, DownloadSpeed(read, elapsed), u",");
        QCOMPARE(comma.SizeLine, QByteArray(p.SizeLine).replace('.', ','));
    }

    // Entries count by their compressed end, the rest of the archive comes with the last file's last
    // byte, and the bar never moves back.
    void unzipProgress_data() {
        QTest::addColumn<QList<qint64>>("archive");        // size, entries, folders
        QTest::addColumn<QList<QList<qint64>>>("reports"); // entry, packed, size, position, done after it
        QTest::addColumn<bool>("complete");
        using Reports = QList<QList<qint64>>;
        QTest::newRow("two stored files")
            << QList<qint64>{1000, 2, 0}
            << Reports{{0, 300, 300, 300, 300}, {1, 500, 500, 250, 550}, {1, 500, 500, 500, 1000}} << true;
        QTest::newRow("deflated, in folders") << QList<qint64>{700, 4, 2}
                                              << Reports{{0, 100, 400, 0, -300},
                                                         {0, 100, 400, 400, 100},
                                                         {1, 200, 1000, 0, -700},
                                                         {1, 200, 1000, 999, 299},
                                                         {1, 200, 1000, 1000, 700}}
                                              << true;
        QTest::newRow("a third entry never reports")
            << QList<qint64>{1000, 3, 0} << Reports{{0, 300, 300, 300, 300}, {1, 500, 500, 500, 800}}
            << false;
        QTest::newRow("past 2 GiB")
            << QList<qint64>{5'000'000'000, 2, 0}
            << Reports{{0, 3'000'000'000, 4'000'000'000, 4'000'000'000, 3'000'000'000},
                       {1, 1'999'000'000, 2'500'000'000, 2'500'000'000, 5'000'000'000}}
            << true;
    }
    void unzipProgress() {
        QFETCH(QList<qint64>, archive);
        QFETCH(QList<QList<qint64>>, reports);
        UnzipProgress progress(archive[0], archive[1], archive[2]);
        qint64 highest = 0;
        for (const QList<qint64> &r : reports) {
            progress.Report(QByteArray(1, char('a' + r[0])), quint32(r[1]), quint32(r[2]), r[3]);
            QCOMPARE(progress.UnzipDone, r[4]);
            highest = qMax(highest, r[4]);
            QCOMPARE(progress.ProgressValue(), highest);
        }
        QTEST(progress.Complete(), "complete");
    }

    void shopCardTextHasEveryBlank() {
        QCOMPARE(ShopCardText(2, false),
                 QByteArray("Starfall Drift\n \nGenre:   Racing\nCollected:  No      Size:  "
                            "1250MB\nDeveloper:  Comet Garage"));
        QCOMPARE(ShopCardText(12, true), QByteArray("Moonlit Masquerade\n \nGenre:   Mystery\nCollected:  Yes"
                                                    "      Size:  870MB\nDeveloper:  Velvet Lantern"));
        QCOMPARE(ShopCardText(-1, true), QByteArray());
        QCOMPARE(ShopCardText(13, true), QByteArray());
    }
};

QTEST_GUILESS_MAIN(ReadoutTest)
#include "ReadoutTest.moc"
