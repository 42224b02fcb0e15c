#include "platform/DurableFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

namespace {

bool writeFile(const QString &path, const QByteArray &data, mode_t mode) {
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size())
            return false;
    }
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

QByteArray readAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

mode_t modeOf(const QString &path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

} // namespace

class DurableFileTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void renameReplacesAnExistingFileWithItsMode() {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("Quillbarrow.exe"));
        const QString staged = dir.filePath(QStringLiteral("Quillbarrow.exe.new"));
        QVERIFY(writeFile(target, "old", 0644));
        QVERIFY(writeFile(staged, "new", 0755));
        const DurableFileResult result = renameReplacing(staged, target);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(readAll(target), QByteArray("new"));
        QCOMPARE(modeOf(target), mode_t(0755));
        QVERIFY(!QFile::exists(staged));
    }

    void failedRenameLeavesTheTargetAlone() {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("target"));
        QVERIFY(writeFile(target, "old", 0644));
        DurableFileResult result = renameReplacing(dir.filePath(QStringLiteral("missing")), target);
        QVERIFY(!result.ok);
        QVERIFY(result.error.contains(target));
        QCOMPARE(readAll(target), QByteArray("old"));

        // A folder in the way is not replaced by a file.
        const QString folder = dir.filePath(QStringLiteral("folder"));
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/inside")));
        result = renameReplacing(target, folder);
        QVERIFY(!result.ok);
        QCOMPARE(readAll(target), QByteArray("old"));
        QVERIFY(QFileInfo(folder).isDir());
    }

    void syncsFilesAndFolders() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("file"));
        QVERIFY(writeFile(file, "data", 0600));
        QVERIFY(syncToDisk(file).ok);
        QVERIFY(syncToDisk(dir.path()).ok);
        const DurableFileResult missing = syncToDisk(dir.filePath(QStringLiteral("missing")));
        QVERIFY(!missing.ok);
        QVERIFY(missing.error.contains(QStringLiteral("missing")));
    }
};

QTEST_GUILESS_MAIN(DurableFileTest)
#include "DurableFileTest.moc"
