#include "platform/FileSystemInfo.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <sys/statvfs.h>

namespace {

// What df reports as available, an implementation independent of ours.
qint64 dfAvailable(const QString &folder) {
    QProcess df;
    df.start(QStringLiteral("df"), {QStringLiteral("-B1"), QStringLiteral("--output=avail"), folder});
    if (!df.waitForFinished(30000) || df.exitCode() != 0)
        return -1;
    const QList<QByteArray> lines = df.readAllStandardOutput().trimmed().split('\n');
    return lines.size() == 2 ? lines.at(1).trimmed().toLongLong() : -1;
}

} // namespace

class FileSystemInfoTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void freeBytesAgreesWithDf() {
        QTemporaryDir dir;
        const std::optional<qint64> free = freeBytes(dir.path());
        const qint64 reference = dfAvailable(dir.path());
        QVERIFY(free.has_value());
        QVERIFY(reference > 0);
        // Other programs write to the same file system meanwhile.
        constexpr qint64 slack = 256ll * 1024 * 1024;
        QVERIFY2(qAbs(*free - reference) < slack,
                 qPrintable(QStringLiteral("%1 vs %2").arg(*free).arg(reference)));

        struct statvfs info {};
        QCOMPARE(statvfs(QFile::encodeName(dir.path()).constData(), &info), 0);
        QVERIFY(*free <= static_cast<qint64>(info.f_blocks * info.f_frsize));
    }

    void missingFolderCountsForItsParent() {
        QTemporaryDir dir;
        const std::optional<qint64> parent = freeBytes(dir.path());
        const std::optional<qint64> missing = freeBytes(dir.filePath(QStringLiteral("Games/not/yet")));
        QVERIFY(parent && missing);
        QVERIFY(qAbs(*parent - *missing) < 256ll * 1024 * 1024);
        // Also a relative path, taken from the current folder.
        QVERIFY(freeBytes(QStringLiteral("not-there-either")).has_value());
    }

    void noAnswerForImpossibleFolders() {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("plain")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(!freeBytes(QString()).has_value());
        QVERIFY(!freeBytes(file.fileName() + QStringLiteral("/below-a-file")).has_value());
    }

    void fileLengths() {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("Game.exe")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(QByteArray(12345, 'x')), 12345);
        file.close();
        QCOMPARE(fileLength(file.fileName()), 12345);

        QFile empty(dir.filePath(QStringLiteral("empty")));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        QCOMPARE(fileLength(empty.fileName()), 0);

        // Beyond 4 GiB, without writing it: the length, not what the disk holds.
        QFile sparse(dir.filePath(QStringLiteral("sparse")));
        QVERIFY(sparse.open(QIODevice::WriteOnly));
        QVERIFY(sparse.resize(5ll * 1024 * 1024 * 1024 + 7));
        sparse.close();
        QCOMPARE(fileLength(sparse.fileName()), 5ll * 1024 * 1024 * 1024 + 7);

        QVERIFY(QFile::link(file.fileName(), dir.filePath(QStringLiteral("link"))));
        QCOMPARE(fileLength(dir.filePath(QStringLiteral("link"))), 12345);

        QCOMPARE(fileLength(dir.filePath(QStringLiteral("missing"))), 0);
        QCOMPARE(fileLength(dir.path()), 0);
        QCOMPARE(fileLength(QString()), 0);
    }
};

QTEST_GUILESS_MAIN(FileSystemInfoTest)
#include "FileSystemInfoTest.moc"
