// Moving an unpacked update into a game's folder on real files: what is merged, what replaced, what
// kept, and that a clash found anywhere moves nothing at all.
#include "platform/FolderMerge.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <map>

namespace {

bool writeFile(const QString &path, const QByteArray &data) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Every file and link below root with its content (a link: "-> target"), folders as "/".
std::map<QString, QByteArray> snapshot(const QString &root) {
    std::map<QString, QByteArray> entries;
    const QDir base(root);
    const QFileInfoList list =
        base.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &info : list) {
        const QString name = info.fileName();
        if (info.isSymLink()) {
            entries[name] = "-> " + QFile::encodeName(info.symLinkTarget());
        } else if (info.isDir()) {
            entries[name + u'/'] = "/";
            for (const auto &[inner, data] : snapshot(info.filePath()))
                entries[name + u'/' + inner] = data;
        } else {
            entries[name] = readFile(info.filePath());
        }
    }
    return entries;
}

} // namespace

class FolderMergeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void mergesReplacesAndKeeps() {
        const QString from = m_dir->filePath(QStringLiteral("unpacked"));
        const QString into = m_dir->filePath(QStringLiteral("Games/Whisperwood"));
        QVERIFY(writeFile(from + QStringLiteral("/Whisperwood.exe"), "new exe"));
        QVERIFY(writeFile(from + QStringLiteral("/Data/levels.bin"), "new levels"));
        QVERIFY(writeFile(from + QStringLiteral("/Music/theme.ogg"), "new folder"));
        QVERIFY(writeFile(from + QStringLiteral("/.hidden"), "hidden"));
        QVERIFY(QFile::setPermissions(from + QStringLiteral("/Whisperwood.exe"),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(writeFile(into + QStringLiteral("/Whisperwood.exe"), "old exe"));
        QVERIFY(writeFile(into + QStringLiteral("/Data/levels.bin"), "old levels"));
        QVERIFY(writeFile(into + QStringLiteral("/Data/save.dat"), "the player's save"));
        // A link in the target is replaced by the new file, never written through.
        QVERIFY(writeFile(m_dir->filePath(QStringLiteral("outside.txt")), "outside"));
        QVERIFY(writeFile(from + QStringLiteral("/readme.txt"), "new readme"));
        QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("outside.txt")),
                            into + QStringLiteral("/readme.txt")));

        const FolderMergeResult result = FolderMerge::moveContents(from, into);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(readFile(into + QStringLiteral("/Whisperwood.exe")), QByteArray("new exe"));
        QVERIFY(QFileInfo(into + QStringLiteral("/Whisperwood.exe")).permissions() & QFile::ExeOwner);
        QCOMPARE(readFile(into + QStringLiteral("/Data/levels.bin")), QByteArray("new levels"));
        QCOMPARE(readFile(into + QStringLiteral("/Data/save.dat")), QByteArray("the player's save"));
        QCOMPARE(readFile(into + QStringLiteral("/Music/theme.ogg")), QByteArray("new folder"));
        QCOMPARE(readFile(into + QStringLiteral("/.hidden")), QByteArray("hidden"));
        QVERIFY(!QFileInfo(into + QStringLiteral("/readme.txt")).isSymLink());
        QCOMPARE(readFile(into + QStringLiteral("/readme.txt")), QByteArray("new readme"));
        QCOMPARE(readFile(m_dir->filePath(QStringLiteral("outside.txt"))), QByteArray("outside"));
        // Music went over whole; what is left of the source are the folders that were merged.
        QCOMPARE(snapshot(from), (std::map<QString, QByteArray>{{QStringLiteral("Data/"), "/"}}));
    }

    void intoAFolderNotYetThere() {
        const QString from = m_dir->filePath(QStringLiteral("unpacked"));
        QVERIFY(writeFile(from + QStringLiteral("/a/b/c.txt"), "c"));
        QVERIFY(QDir().mkpath(from + QStringLiteral("/empty")));
        const QString into = m_dir->filePath(QStringLiteral("Games/New"));
        const FolderMergeResult result = FolderMerge::moveContents(from, into);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(snapshot(into), (std::map<QString, QByteArray>{{QStringLiteral("a/"), "/"},
                                                                {QStringLiteral("a/b/"), "/"},
                                                                {QStringLiteral("a/b/c.txt"), "c"},
                                                                {QStringLiteral("empty/"), "/"}}));
    }

    void aClashAnywhereMovesNothing_data() {
        QTest::addColumn<QString>("clash");
        QTest::newRow("a file where the target has a folder") << QStringLiteral("file-over-folder");
        QTest::newRow("a folder where the target has a file") << QStringLiteral("folder-over-file");
        QTest::newRow("a folder where the target has a link") << QStringLiteral("folder-over-link");
    }

    void aClashAnywhereMovesNothing() {
        QFETCH(QString, clash);
        const QString from = m_dir->filePath(QStringLiteral("unpacked"));
        const QString into = m_dir->filePath(QStringLiteral("game"));
        // Sorted before the clash, so a merge that moved as it went would have moved these.
        QVERIFY(writeFile(from + QStringLiteral("/Aaa.exe"), "new exe"));
        QVERIFY(writeFile(into + QStringLiteral("/Aaa.exe"), "old exe"));
        QVERIFY(writeFile(from + QStringLiteral("/Bbb/new.bin"), "new"));
        if (clash == u"file-over-folder") {
            QVERIFY(writeFile(from + QStringLiteral("/Zzz/Saves"), "a file"));
            QVERIFY(writeFile(into + QStringLiteral("/Zzz/Saves/slot1"), "save"));
        } else if (clash == u"folder-over-file") {
            QVERIFY(writeFile(from + QStringLiteral("/Zzz/Saves/slot1"), "new"));
            QVERIFY(writeFile(into + QStringLiteral("/Zzz/Saves"), "a file"));
        } else {
            QVERIFY(writeFile(m_dir->filePath(QStringLiteral("elsewhere/keep.txt")), "keep"));
            QVERIFY(writeFile(from + QStringLiteral("/Zzz/keep.txt"), "overwritten?"));
            QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("elsewhere")), into + QStringLiteral("/Zzz")));
        }
        const std::map<QString, QByteArray> sourceBefore = snapshot(from);
        const std::map<QString, QByteArray> targetBefore = snapshot(into);

        const FolderMergeResult result = FolderMerge::moveContents(from, into);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(QStringLiteral("Zzz")), qPrintable(result.error));
        QCOMPARE(result.moved, qint64(0));
        QCOMPARE(snapshot(from), sourceBefore);
        QCOMPARE(snapshot(into), targetBefore);
        QCOMPARE(readFile(m_dir->filePath(QStringLiteral("elsewhere/keep.txt"))),
                 clash == u"folder-over-link" ? QByteArray("keep") : QByteArray("<missing>"));
    }

    void notFolders() {
        QVERIFY(writeFile(m_dir->filePath(QStringLiteral("file")), "x"));
        QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("folder"))));
        QVERIFY(!FolderMerge::moveContents(m_dir->filePath(QStringLiteral("missing")),
                                           m_dir->filePath(QStringLiteral("folder")))
                     .ok);
        QVERIFY(!FolderMerge::moveContents(m_dir->filePath(QStringLiteral("folder")),
                                           m_dir->filePath(QStringLiteral("file")))
                     .ok);
        QCOMPARE(readFile(m_dir->filePath(QStringLiteral("file"))), QByteArray("x"));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(FolderMergeTest)
#include "FolderMergeTest.moc"
