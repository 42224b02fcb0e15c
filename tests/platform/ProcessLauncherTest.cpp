#include "platform/ProcessLauncher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

namespace {

mode_t modeOf(const QString &path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// A copy of the recorder as a downloaded game would arrive: without any execute bit.
QString installGame(const QString &folder, mode_t mode) {
    const QString path = QDir(folder).filePath(QStringLiteral("Game.exe"));
    if (!QDir().mkpath(folder) || !QFile::copy(QStringLiteral(ARGV_RECORDER), path))
        return {};
    if (::chmod(QFile::encodeName(path).constData(), mode) != 0)
        return {};
    return path;
}

// The recorder's working folder followed by its arguments.
QStringList readRecord(const QString &workingFolder) {
    QFile file(QDir(workingFolder).filePath(QStringLiteral("argv-record")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList fields;
    for (const QByteArray &field : file.readAll().split('\0'))
        fields << QString::fromUtf8(field);
    fields.removeLast(); // after the final NUL
    return fields;
}

} // namespace

class ProcessLauncherTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startsWithParametersSplitLikeACommandLine_data() {
        QTest::addColumn<QByteArray>("parameters");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("account and password with a blank")
            << QByteArray("a@b.c pass word")
            << QStringList{QStringLiteral("a@b.c"), QStringLiteral("pass"), QStringLiteral("word")};
        QTest::newRow("no parameters") << QByteArray() << QStringList{};
        QTest::newRow("only blanks") << QByteArray("   ") << QStringList{};
        QTest::newRow("runs of blanks")
            << QByteArray("  one   two ") << QStringList{QStringLiteral("one"), QStringLiteral("two")};
        QTest::newRow("quotes group")
            << QByteArray("\"two words\" x") << QStringList{QStringLiteral("two words"), QStringLiteral("x")};
        QTest::newRow("UTF-8") << QByteArray("J\xc3\xbcrgen Stra\xc3\x9f"
                                             "e")
                               << QStringList{QStringLiteral(u"J\u00fcrgen"), QStringLiteral(u"Stra\u00dfe")};
        QTest::newRow("shell characters stay text")
            << QByteArray("$(touch pwned) ;rm `x` *")
            << QStringList{QStringLiteral("$(touch"), QStringLiteral("pwned)"), QStringLiteral(";rm"),
                           QStringLiteral("`x`"), QStringLiteral("*")};
    }

    void startsWithParametersSplitLikeACommandLine() {
        QFETCH(QByteArray, parameters);
        QFETCH(QStringList, arguments);
        QTemporaryDir dir;
        const QString game = installGame(dir.filePath(QStringLiteral("Games/Ember Hollow")), 0644);
        QVERIFY(!game.isEmpty());
        const QString work = dir.filePath(QStringLiteral("work folder"));
        QVERIFY(QDir().mkpath(work));

        QVERIFY(startProgram(game, parameters, work));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QDir(work).filePath(QStringLiteral("argv-record"))), 30000);
        const QStringList record = readRecord(work);
        QVERIFY(!record.isEmpty());
        QCOMPARE(record.first(), work);
        QCOMPARE(record.mid(1), arguments);
        QVERIFY(!QFile::exists(QDir(work).filePath(QStringLiteral("pwned"))));
    }

    void executeBitOnlyForThoseWhoMayRead_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("readable by all") << 0644 << 0755;
        QTest::newRow("owner only") << 0600 << 0700;
        QTest::newRow("owner and group") << 0640 << 0750;
        QTest::newRow("already executable") << 0755 << 0755;
    }

    void executeBitOnlyForThoseWhoMayRead() {
        QFETCH(int, before);
        QFETCH(int, after);
        QTemporaryDir dir;
        const QString game = installGame(dir.path(), static_cast<mode_t>(before));
        QVERIFY(!game.isEmpty());
        QCOMPARE(modeOf(game), static_cast<mode_t>(before));
        QVERIFY(startProgram(game, {}, dir.path()));
        QCOMPARE(modeOf(game), static_cast<mode_t>(after));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath(QStringLiteral("argv-record"))), 30000);
    }

    void relativeProgramPathIsTakenFromTheCurrentFolder() {
        QTemporaryDir dir;
        QVERIFY(!installGame(dir.filePath(QStringLiteral("Games/Iron Meadow")), 0644).isEmpty());
        const QString work = dir.filePath(QStringLiteral("elsewhere"));
        QVERIFY(QDir().mkpath(work));
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const bool started = startProgram(QStringLiteral("Games/Iron Meadow/Game.exe"), "x", work);
        QVERIFY(QDir::setCurrent(previous));
        QVERIFY(started);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QDir(work).filePath(QStringLiteral("argv-record"))), 30000);
        QCOMPARE(readRecord(work), (QStringList{work, QStringLiteral("x")}));
    }

    void reportsStartsThatCannotHappen() {
        QTemporaryDir dir;
        QVERIFY(!startProgram(QString(), "x", dir.path()));
        QVERIFY(!startProgram(dir.filePath(QStringLiteral("missing.exe")), "x", dir.path()));
        QVERIFY(!startProgram(dir.path(), {}, dir.path())); // a folder is no program
        const QString game = installGame(dir.filePath(QStringLiteral("g")), 0644);
        QVERIFY(!startProgram(game, {}, dir.filePath(QStringLiteral("no such folder"))));
    }

    void removesAFolderWithOddNamesAndNothingElse() {
        QTemporaryDir dir;
        const QString games = dir.filePath(QStringLiteral("Games"));
        const QString victim = QDir(games).filePath(QStringLiteral("a b; rm x"));
        const QString inner = QDir(victim).filePath(QStringLiteral("$(x)/-rf/sub"));
        QVERIFY(QDir().mkpath(inner));
        QVERIFY(QDir().mkpath(QDir(games).filePath(QStringLiteral("keep"))));
        const QString outside = dir.filePath(QStringLiteral("outside"));
        QVERIFY(QDir().mkpath(outside));
        const auto touch = [](const QString &path) {
            QFile file(path);
            return file.open(QIODevice::WriteOnly) && file.write("data") == 4;
        };
        QVERIFY(touch(QDir(inner).filePath(QStringLiteral("Game.exe"))));
        QVERIFY(touch(QDir(victim).filePath(QStringLiteral(".hidden"))));
        QVERIFY(touch(QDir(games).filePath(QStringLiteral("keep/Game.exe"))));
        QVERIFY(touch(QDir(games).filePath(QStringLiteral("x"))));
        QVERIFY(touch(QDir(outside).filePath(QStringLiteral("precious"))));
        // A link inside goes, what it points to stays.
        QVERIFY(QFile::link(outside, QDir(victim).filePath(QStringLiteral("link"))));

        QVERIFY(removeFolderDetached(victim + QLatin1Char('/')));
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(victim), 30000);
        QVERIFY(QFile::exists(QDir(games).filePath(QStringLiteral("keep/Game.exe"))));
        QVERIFY(QFile::exists(QDir(games).filePath(QStringLiteral("x"))));
        QVERIFY(QFile::exists(QDir(outside).filePath(QStringLiteral("precious"))));
    }

    void refusesToRemoveWhatIsNotAnAbsoluteFolder_data() {
        QTest::addColumn<QString>("folder");
        QTest::newRow("empty") << QString();
        QTest::newRow("relative") << QStringLiteral("Games/Ember Hollow");
        QTest::newRow("dot relative") << QStringLiteral("./Games");
        QTest::newRow("dot") << QStringLiteral(".");
        QTest::newRow("root") << QStringLiteral("/");
        QTest::newRow("double slash") << QStringLiteral("//");
        QTest::newRow("up from root") << QStringLiteral("/..");
        QTest::newRow("back to root") << QStringLiteral("/tmp/..");
        QTest::newRow("up from root, then down") << QStringLiteral("/../tmp/../..");
    }

    void refusesToRemoveWhatIsNotAnAbsoluteFolder() {
        QFETCH(QString, folder);
        QVERIFY(!removeFolderDetached(folder));
    }
};

QTEST_GUILESS_MAIN(ProcessLauncherTest)
#include "ProcessLauncherTest.moc"
