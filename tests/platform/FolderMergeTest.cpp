// Moving an unpacked update into a game's folder on real files: what is merged, replaced and kept,
// that the folder changes in one step with the old version left aside, and that a clash found
// anywhere moves nothing at all.
#include "platform/FolderMerge.h"

#include "FileFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace FileFixtures;

class FolderMergeTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_from, m_into;

private Q_SLOTS:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_from = m_dir->filePath(u"unpacked"_s);
        m_into = m_dir->filePath(u"Games/Whisperwood"_s);
    }

    void mergesReplacesAndKeeps() {
        for (const auto &[name, data] : {std::pair{"/Game.exe", "new exe"},
                                         {"/Data/levels.bin", "new levels"},
                                         {"/Music/theme.ogg", "new folder"},
                                         {"/.hidden", "hidden"},
                                         {"/readme.txt", "new readme"}})
            QVERIFY(writeFile(m_from + QLatin1StringView(name), data));
        QVERIFY(QFile::setPermissions(m_from + u"/Game.exe"_s, QFile::ReadOwner | QFile::ExeOwner));
        for (const auto &[name, data] : {std::pair{"/Game.exe", "old exe"},
                                         {"/Data/levels.bin", "old levels"},
                                         {"/Data/save.dat", "the player's save"}})
            QVERIFY(writeFile(m_into + QLatin1StringView(name), data));
        // A link in the target is replaced by the new file, never written through.
        QVERIFY(writeFile(m_dir->filePath(u"outside.txt"_s), "outside"));
        QVERIFY(QFile::link(m_dir->filePath(u"outside.txt"_s), m_into + u"/readme.txt"_s));

        const QStringList old = snapshot(m_into);
        const QString scratch = m_dir->filePath(u"previous"_s);
        const FolderMergeResult result = FolderMerge::replaceWhole(m_from, m_into, scratch);
        QVERIFY2(result.ok, qPrintable(result.error));
        // The old version whole beside it, the new one in its place.
        QCOMPARE(snapshot(scratch), old);
        QCOMPARE(snapshot(m_into),
                 (QStringList{u".hidden=hidden"_s, u"Data/"_s, u"Data/levels.bin=new levels"_s,
                              u"Data/save.dat=the player's save"_s, u"Game.exe=new exe"_s, u"Music/"_s,
                              u"Music/theme.ogg=new folder"_s, u"readme.txt=new readme"_s}));
        QVERIFY(QFile::permissions(m_into + u"/Game.exe"_s) & QFile::ExeOwner);
        QCOMPARE(readFile(m_dir->filePath(u"outside.txt"_s)), QByteArray("outside"));
        // Music went over whole; what is left of the source are the folders that were merged.
        QCOMPARE(snapshot(m_from), QStringList{u"Data/"_s});
    }

    void aClashAnywhereMovesNothing_data() {
        QTest::addColumn<QString>("newEntry");
        QTest::addColumn<QString>("oldEntry");
        QTest::newRow("a file where the target has a folder") << u"Zzz/Saves"_s << u"Zzz/Saves/slot1"_s;
        QTest::newRow("a folder where the target has a file") << u"Zzz/Saves/slot1"_s << u"Zzz/Saves"_s;
        QTest::newRow("a folder where the target has a link") << u"Zzz/keep.txt"_s << u"Zzz"_s;
    }

    void aClashAnywhereMovesNothing() {
        QFETCH(QString, newEntry);
        QFETCH(QString, oldEntry);
        // Sorted before the clash, so a merge that moved as it went would have moved these.
        QVERIFY(writeFile(m_from + u"/Aaa.exe"_s, "new exe") && writeFile(m_into + u"/Aaa.exe"_s, "old exe"));
        QVERIFY(writeFile(m_from + u"/Bbb/new.bin"_s, "new"));
        QVERIFY(writeFile(m_from + u'/' + newEntry, "new"));
        if (oldEntry == u"Zzz")
            QVERIFY(writeFile(m_dir->filePath(u"elsewhere/keep.txt"_s), "keep") &&
                    QFile::link(m_dir->filePath(u"elsewhere"_s), m_into + u"/Zzz"_s));
        else
            QVERIFY(writeFile(m_into + u'/' + oldEntry, "old"));
        const QStringList before = snapshot(m_dir->path());

        const FolderMergeResult result = FolderMerge::moveContents(m_from, m_into);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(u"Zzz"_s), qPrintable(result.error));
        QCOMPARE(result.moved, 0);
        QCOMPARE(snapshot(m_dir->path()), before);
    }
};

QTEST_GUILESS_MAIN(FolderMergeTest)
#include "FolderMergeTest.moc"
