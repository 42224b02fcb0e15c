#include "platform/ProcessLauncher.h"

#include "FileFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace FileFixtures;

namespace {

// A game as it arrives from a download, without an execute bit: it records its working folder and
// arguments, NUL-separated, in "argv-record" there (complete or not at all).
QString installGame(const QString &folder, QFile::Permissions permissions) {
    const QString path = folder + u"/Game.exe"_s;
    const bool made = writeFile(path, "#!/bin/sh\nprintf '%s\\0' \"$(pwd -P)\" \"$@\" >argv-record.part &&"
                                      " mv argv-record.part argv-record\n") &&
                      QFile::setPermissions(path, permissions);
    return made ? path : QString();
}

// The working folder, then the arguments.
QStringList record(const QString &workingFolder) {
    const QString path = workingFolder + u"/argv-record"_s;
    if (!QTest::qWaitFor([&] { return QFile::exists(path); }, 30000))
        return {u"<no record>"_s};
    QStringList fields = QString::fromUtf8(readFile(path)).split(QChar(0));
    fields.removeLast(); // after the final NUL
    return fields;
}

} // namespace

class ProcessLauncherTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

private Q_SLOTS:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void parametersAreSplitAsPlainText_data() {
        QTest::addColumn<QByteArray>("parameters");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("account and password")
            << QByteArray("a@b.c pass word") << QStringList{u"a@b.c"_s, u"pass"_s, u"word"_s};
        QTest::newRow("none") << QByteArray("   ") << QStringList{};
        QTest::newRow("runs of blanks") << QByteArray("  one   two ") << QStringList{u"one"_s, u"two"_s};
        QTest::newRow("quotes group") << QByteArray("\"two words\" x") << QStringList{u"two words"_s, u"x"_s};
        QTest::newRow("UTF-8") << QByteArray("J\xc3\xbcrgen") << QStringList{u"J\u00fcrgen"_s};
        QTest::newRow("shell characters")
            << QByteArray("$(touch pwned) ;rm `x` *")
            << QStringList{u"$(touch"_s, u"pwned)"_s, u";rm"_s, u"`x`"_s, u"*"_s};
    }

    void parametersAreSplitAsPlainText() {
        QFETCH(QByteArray, parameters);
        QFETCH(QStringList, arguments);
        const QString game =
            installGame(m_dir->filePath(u"Games/Ember Hollow"_s), QFile::ReadOwner | QFile::WriteOwner);
        const QString work = m_dir->filePath(u"work folder"_s);
        QVERIFY(!game.isEmpty() && QDir().mkpath(work));
        QVERIFY(startProgram(game, parameters, work));
        QCOMPARE(record(work), QStringList{work} + arguments);
        QVERIFY(!QFile::exists(work + u"/pwned"_s));
    }

    // The execute bit goes only to those who may read the program; a relative path is the current folder's;
    // what cannot start is told.
    void executeBitAndRelativePath() {
        const QString game =
            installGame(m_dir->filePath(u"Games/Iron Meadow"_s), QFile::ReadOwner | QFile::ReadGroup);
        QVERIFY(!game.isEmpty() && QDir::setCurrent(m_dir->path()));
        QVERIFY(startProgram(u"Games/Iron Meadow/Game.exe"_s, "x", m_dir->path()));
        QCOMPARE(QFile::permissions(game) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                 QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
        QCOMPARE(record(m_dir->path()), (QStringList{m_dir->path(), u"x"_s}));
        QVERIFY(!startProgram(QString(), "x", m_dir->path()));
        QVERIFY(!startProgram(m_dir->filePath(u"missing.exe"_s), "x", m_dir->path()));
        QVERIFY(!startProgram(m_dir->path(), {}, m_dir->path())); // a folder is no program
        QVERIFY(!startProgram(game, {}, m_dir->filePath(u"no such folder"_s)));
    }

    void removesAFolderWithOddNamesAndNothingElse() {
        const QString games = m_dir->filePath(u"Games"_s), victim = games + u"/a b; rm x"_s;
        QVERIFY(writeFile(victim + u"/$(x)/-rf/Game.exe"_s, "data") &&
                writeFile(victim + u"/.hidden"_s, "data"));
        QVERIFY(writeFile(games + u"/keep/Game.exe"_s, "data") && writeFile(games + u"/x"_s, "data"));
        QVERIFY(writeFile(m_dir->filePath(u"outside/precious"_s), "data"));
        // A link inside goes, what it points to stays.
        QVERIFY(QFile::link(m_dir->filePath(u"outside"_s), victim + u"/link"_s));
        const QStringList kept = snapshot(m_dir->path()).filter(QRegularExpression(u"^(?!Games/a b)"_s));

        QVERIFY(removeFolderDetached(victim + u'/'));
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(victim), 30000);
        QCOMPARE(snapshot(m_dir->path()), kept);
    }

    void refusesToRemoveWhatIsNotAnAbsoluteFolder() {
        for (const char *folder :
             {"", "Games/Ember Hollow", "./Games", ".", "/", "//", "/tmp/..", "/../tmp/../.."})
            QVERIFY2(!removeFolderDetached(QString::fromLatin1(folder)), folder);
    }
};

QTEST_GUILESS_MAIN(ProcessLauncherTest)
#include "ProcessLauncherTest.moc"
