#include "core/DownloadReadout.h"

#include <QTest>

namespace {

constexpr qint64 MB = 1024 * 1024;
const QByteArray none = "(none)";

QByteArray lineOr(const std::optional<QByteArray> &line) {
    return line.value_or(none);
}

} // namespace

class DownloadReadoutTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void measuresTheFile_data() {
        QTest::addColumn<qint64>("length");
        QTest::addColumn<qint64>("max");
        QTest::addColumn<QByteArray>("text");

        QTest::newRow("447 MB and a bit") << 447 * MB + 123 << qint64(447) << QByteArray("Size: (447 MB)");
        QTest::newRow("below one MB") << MB - 1 << qint64(0) << QByteArray("Size: (0 MB)");
        QTest::newRow("empty file") << qint64(0) << qint64(0) << QByteArray("Size: (0 MB)");
        QTest::newRow("beyond 2 GiB") << 5000 * MB << qint64(5000) << QByteArray("Size: (5000 MB)");
        QTest::newRow("no length sent") << qint64(-1) << qint64(0) << QByteArray();
    }

    void measuresTheFile() {
        QFETCH(qint64, length);
        const DownloadSize size = MeasureDownload(length);
        QCOMPARE(size.Known, length >= 0);
        QTEST(size.ProgressMax, "max");
        QCOMPARE(size.DownloadSizeMB, double(size.ProgressMax));
        QTEST(size.DownloadSizeText, "text");
    }

    void fillsTheReadout_data() {
        QTest::addColumn<qint64>("length");
        QTest::addColumn<qint64>("read");
        QTest::addColumn<quint32>("elapsed");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QByteArray>("sizeLine");
        QTest::addColumn<QByteArray>("speedLine");
        QTest::addColumn<QByteArray>("remainLine");

        const qint64 file = 447 * MB;
        const auto row = [](const char *name) -> QTestData & { return QTest::newRow(name); };
        // Elapsed times are chosen so that read / elapsed gives the wanted bytes per millisecond.
        row("worked example") << file << 100 * MB << quint32(100 * MB / 2048) << qint64(100)
                              << QByteArray("Size: (447 MB)       Downloaded: (100 MB)")
                              << QByteArray("Download speed: 2 MB/s") << QByteArray("Remain: 2:53 min.");
        row("speed with two decimals")
            << file << 100 * MB << quint32(100 * MB / 1500) << qint64(100)
            << QByteArray("Size: (447 MB)       Downloaded: (100 MB)")
            << QByteArray("Download speed: 1.46 MB/s") << QByteArray("Remain: 3:56 min.");
        row("raised to the next tenth")
            << file << qint64(5000000) << quint32(5000) << qint64(4)
            << QByteArray("Size: (447 MB)       Downloaded: (4.8 MB)")
            << QByteArray("Download speed: 0.97 MB/s") << QByteArray("Remain: 7:33 min.");
        row("one byte, speed 0") << file << qint64(1) << quint32(2) << qint64(0)
                                 << QByteArray("Size: (447 MB)       Downloaded: (0.1 MB)")
                                 << QByteArray("Download speed: 0 MB/s") << none;
        row("1023 bytes per ms") << file << qint64(1023) * 1000 << quint32(1000) << qint64(0)
                                 << QByteArray("Size: (447 MB)       Downloaded: (1 MB)")
                                 << QByteArray("Download speed: 0.99 MB/s")
                                 << QByteArray("Remain: 7:27 min.");
        row("65 seconds to go") << 66 * MB << MB << quint32(1) << qint64(1)
                                << QByteArray("Size: (66 MB)       Downloaded: (1 MB)")
                                << QByteArray("Download speed: 1024 MB/s") << QByteArray("Remain: 0:00 min.");
        row("minutes with a leading zero second")
            << 66 * MB << MB << quint32(MB / 1024) << qint64(1)
            << QByteArray("Size: (66 MB)       Downloaded: (1 MB)") << QByteArray("Download speed: 1 MB/s")
            << QByteArray("Remain: 1:05 min.");
        row("ten minutes") << 601 * MB << MB << quint32(MB / 1024) << qint64(1)
                           << QByteArray("Size: (601 MB)       Downloaded: (1 MB)")
                           << QByteArray("Download speed: 1 MB/s") << QByteArray("Remain: 10:00 min.");
        row("no millisecond yet") << file << qint64(8192) << quint32(0) << qint64(0)
                                  << QByteArray("Size: (447 MB)       Downloaded: (0.1 MB)") << none << none;
        row("no length sent") << qint64(-1) << 3 * MB << quint32(1536) << qint64(3)
                              << QByteArray("Downloaded: (3 MB)") << QByteArray("Download speed: 2 MB/s")
                              << none;
        row("more than announced") << 2 * MB << 3 * MB << quint32(1536) << qint64(3)
                                   << QByteArray("Size: (2 MB)       Downloaded: (3 MB)")
                                   << QByteArray("Download speed: 2 MB/s") << none;
        row("past 2 GiB") << 5000 * MB << 3000 * MB << quint32(3000 * MB / 10240) << qint64(3000)
                          << QByteArray("Size: (5000 MB)       Downloaded: (3000 MB)")
                          << QByteArray("Download speed: 10 MB/s") << QByteArray("Remain: 3:20 min.");
    }

    void fillsTheReadout() {
        QFETCH(qint64, length);
        QFETCH(qint64, read);
        QFETCH(quint32, elapsed);
        const DownloadProgress p = ApplyDownloadProgress(
            MeasureDownload(length), DownloadTitleLine("Hexbound"), read, DownloadSpeed(read, elapsed));
        QTEST(p.ProgressValue, "value");
        QCOMPARE(p.StatusLine, QByteArray("Downloading:      Hexbound"));
        QTEST(p.SizeLine, "sizeLine");
        QTEST(lineOr(p.SpeedLine), "speedLine");
        QTEST(lineOr(p.RemainLine), "remainLine");
    }

    void usesTheDecimalSeparator() {
        const DownloadProgress p =
            ApplyDownloadProgress(MeasureDownload(447 * MB, u","), {}, 5000000, qint64(1500), u",");
        QCOMPARE(p.SizeLine, QByteArray("Size: (447 MB)       Downloaded: (4,8 MB)"));
        QCOMPARE(lineOr(p.SpeedLine), QByteArray("Download speed: 1,46 MB/s"));
    }
};

QTEST_GUILESS_MAIN(DownloadReadoutTest)
#include "DownloadReadoutTest.moc"
