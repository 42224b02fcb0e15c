#include "platform/DurableFile.h"

#include "FileFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace FileFixtures;

class DurableFileTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void renameReplacesAnExistingFileWithItsMode() {
        QTemporaryDir dir;
        const QString target = dir.filePath(u"Quillbarrow.exe"_s), staged = target + u".new"_s;
        QVERIFY(writeFile(target, "old") && writeFile(staged, "new"));
        QVERIFY(QFile::setPermissions(staged, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const DurableFileResult result = renameReplacing(staged, target);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(snapshot(dir.path()), QStringList{u"Quillbarrow.exe=new"_s});
        QVERIFY(QFile::permissions(target) & QFile::ExeOwner);
    }

    void failedRenameKeepsTheOldFile() {
        QTemporaryDir dir;
        const QString target = dir.filePath(u"target"_s);
        QVERIFY(writeFile(target, "old") && QDir().mkpath(dir.filePath(u"folder/inside"_s)));
        const DurableFileResult missing = renameReplacing(dir.filePath(u"missing"_s), target);
        QVERIFY2(!missing.ok && missing.error.contains(target), qPrintable(missing.error));
        // A folder in the way is not replaced by a file.
        QVERIFY(!renameReplacing(target, dir.filePath(u"folder"_s)).ok);
        QCOMPARE(snapshot(dir.path()), (QStringList{u"folder/"_s, u"folder/inside/"_s, u"target=old"_s}));
    }

    void syncsFilesAndFolders() {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(u"file"_s), "data"));
        QVERIFY(syncToDisk(dir.filePath(u"file"_s)).ok);
        QVERIFY(syncToDisk(dir.path()).ok);
        const DurableFileResult missing = syncToDisk(dir.filePath(u"missing"_s));
        QVERIFY(!missing.ok && missing.error.contains(u"missing"_s));
    }
};

QTEST_GUILESS_MAIN(DurableFileTest)
#include "DurableFileTest.moc"
