#include "platform/FileSystemInfo.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/statvfs.h>

using namespace Qt::StringLiterals;

class FileSystemInfoTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    // A folder not made yet counts for the first one above it that is there.
    void freeBytesOfAFolderOrItsParent() {
        struct statvfs info {};
        QCOMPARE(::statvfs(QFile::encodeName(m_dir.path()).constData(), &info), 0);
        const qint64 available = qint64(info.f_bavail * info.f_frsize);
        constexpr qint64 slack = 256ll * 1024 * 1024; // other programs write meanwhile
        for (const QString &folder : {m_dir.path(), m_dir.filePath(u"Games/not/yet"_s)}) {
            const std::optional<qint64> free = freeBytes(folder);
            QVERIFY2(free && qAbs(*free - available) < slack, qPrintable(folder));
        }
        QVERIFY(QFile(m_dir.filePath(u"plain"_s)).open(QIODevice::WriteOnly));
        QVERIFY(!freeBytes(QString()));
        QVERIFY(!freeBytes(m_dir.filePath(u"plain/below-a-file"_s)));
    }

    // Beyond 4 GiB without writing it (the length, not what the disk holds); 0 for anything but a file.
    void fileLengths() {
        QFile sparse(m_dir.filePath(u"sparse"_s));
        QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(5ll * 1024 * 1024 * 1024 + 7));
        QVERIFY(QFile::link(sparse.fileName(), m_dir.filePath(u"link"_s)));
        QCOMPARE(fileLength(sparse.fileName()), 5ll * 1024 * 1024 * 1024 + 7);
        QCOMPARE(fileLength(m_dir.filePath(u"link"_s)), 5ll * 1024 * 1024 * 1024 + 7);
        QCOMPARE(fileLength(m_dir.filePath(u"missing"_s)), 0);
        QCOMPARE(fileLength(m_dir.path()), 0);
    }
};

QTEST_GUILESS_MAIN(FileSystemInfoTest)
#include "FileSystemInfoTest.moc"
