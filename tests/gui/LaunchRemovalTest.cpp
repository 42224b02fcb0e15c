// Starting an installed demo game from the real window and removing a game, with the engine tick
// driven by the test's clock: the window watch finds the game's real window on an X server of the
// test's own (the suite's shared one may hold the same game started by another test), and the
// removal runs its paced wait with a time-based bar.
#include "TestXServer.h"
#include "GameFolders.h"
#include "MainFormFixture.h"
#include "core/GameCatalogue.h"
#include "gui/controls/PictureControl.h"
#include "gui/controls/ProgressBar.h"
#include "platform/WindowFinder.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int Hexbound = 4;    // the demo service announces "NoVer" for it
constexpr int IronMeadow = 3;  // announced with a version
constexpr int Whisperwood = 7; // RemovalWait 45: 675 ms

QString text(std::string_view value) {
    return QString::fromUtf8(value.data(), qsizetype(value.size()));
}

QByteArray bytes(std::string_view value) {
    return QByteArray(value.data(), qsizetype(value.size()));
}

const GameEntry &entry(int game) {
    return GameCatalogue()[std::size_t(game)];
}

// The window of the fixture, but with the real lookup of windows on the given X display.
struct LiveWindow {
    MainFormFixture f;

    bool start(const QByteArray &display = "none") {
        return f.startWithSkin([&display](MainFormDependencies &d) {
            d.windowExists = [finder = std::make_shared<WindowFinder>(display)](const QByteArray &title) {
                return finder->exists(title);
            };
        });
    }

    // One engine tick `ms` after the last one.
    void tick(quint32 ms) {
        f.clock->advance(ms);
        f.form->EngineTimerTimer();
    }

    bool installFromStage(int game) {
        const QString folder = text(entry(game).FolderName);
        return GameFolders::copyTree(QDir(QStringLiteral(DEMO_GAME_STAGE)).filePath(folder),
                                     f.path(u"Games/"_s + folder));
    }

    QString exePath(int game) const {
        return f.path(u"Games/"_s + text(entry(game).FolderName) + u'/' + text(entry(game).ExeName));
    }

    void select(int game, quint16 from) {
        f.navigate(from);
        f.form->SelectedGame = qint16(game);
        f.form->PreviousPanel = from;
        f.form->CurrentPanel = 10;
        f.form->ShowPanel();
        f.form->RefreshGameStates();
    }

    QString chat() const { return f.form->ChatAll->toPlainText(); }
};

} // namespace

class LaunchRemovalTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void playStartsTheGameFromItsFolder_data() {
        QTest::addColumn<int>("game");
        QTest::addColumn<QByteArray>("latest");
        QTest::addColumn<QList<QByteArray>>("arguments");
        QTest::newRow("NoVer: no parameters") << Hexbound << "NoVer"_ba << QList<QByteArray>{};
        // A password with a blank reaches the game as two words.
        QTest::newRow("announced: e-mail and password")
            << IronMeadow << "1.0.5.2"_ba << QList<QByteArray>{"ann@example.com", "pass", "word"};
    }
    void playStartsTheGameFromItsFolder() {
        QFETCH(int, game);
        QFETCH(QByteArray, latest);
        QFETCH(QList<QByteArray>, arguments);
        TestXServer x;
        const QString started = x.start();
        QVERIFY2(started.isEmpty(), qPrintable(started));
        LiveWindow w;
        QVERIFY(w.start(x.displayName()));
        QVERIFY(w.installFromStage(game));
        const QByteArray title = bytes(entry(game).WindowTitle);
        WindowFinder finder(x.displayName());
        QVERIFY(!finder.exists(title));

        w.f.form->LoggedIn = true;
        w.f.form->AccountEmail = "ann@example.com";
        w.f.form->AccountPassword = "pass word";
        w.f.form->Library.LatestVersion[std::size_t(game)] = latest;
        w.select(game, 3);
        w.tick(200);
        QVERIFY(w.f.form->BtnPlay->isEnabled());

        {
            const auto onTheTestsDisplay = GameFolders::childrenOnDisplay(x.displayName());
            Q_EMIT w.f.form->BtnPlay->clicked();
        }
        const QList<qint64> pids = GameFolders::processesOf(w.exePath(game));
        QCOMPARE(pids.size(), 1);
        const qint64 pid = pids.first();
        QCOMPARE(GameFolders::argumentsOf(pid), arguments);
        QCOMPARE(QFileInfo(u"/proc/%1/cwd"_s.arg(pid)).canonicalFilePath(),
                 QFileInfo(w.f.path(u"Games/"_s + text(entry(game).FolderName))).canonicalFilePath());
        QCOMPARE(w.f.sounds->lastPlayed(), u"SndBtnClick"_s);
        // Starting a game changes nothing of the launcher's own.
        QVERIFY(!w.f.form->JobBusy);

        // The window watch, every 200 ms of the engine's clock, sees the game's window come up.
        QTRY_VERIFY_WITH_TIMEOUT((w.tick(200), !w.f.form->BtnPlay->isEnabled()), 30000);
        QVERIFY(!w.f.form->BtnDelete->isEnabled());
        QVERIFY(!w.f.form->BtnPlay->isHidden());
        QVERIFY(w.f.form->Library.GameRunning[std::size_t(game)]);

        QCOMPARE(::kill(pid_t(pid), SIGTERM), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!finder.exists(title), 30000);
        // Within the watch's period the buttons come back; not before it is due.
        w.tick(199);
        QVERIFY(!w.f.form->BtnPlay->isEnabled());
        w.tick(1);
        QVERIFY(w.f.form->BtnPlay->isEnabled());
        QVERIFY(w.f.form->BtnDelete->isEnabled());
        QVERIFY(!w.f.form->Library.GameRunning[std::size_t(game)]);
    }

    void playNeedsALogin() {
        LiveWindow w;
        QVERIFY(w.start());
        QVERIFY(w.installFromStage(Hexbound));
        w.f.form->Library.LatestVersion[Hexbound] = "NoVer";
        w.select(Hexbound, 3);
        Q_EMIT w.f.form->BtnPlay->clicked();
        QVERIFY(GameFolders::processesOf(w.exePath(Hexbound)).isEmpty());
        QCOMPARE(w.f.sounds->lastPlayed(), u"SndError"_s);
        QVERIFY(w.chat().endsWith(u"You need to LogIn!"_s));
    }

    void playReportsAGameThatCannotStart() {
        LiveWindow w;
        QVERIFY(w.start());
        w.f.form->LoggedIn = true;
        w.select(Hexbound, 3); // nothing installed
        Q_EMIT w.f.form->BtnPlay->clicked();
        QCOMPARE(w.f.sounds->lastPlayed(), u"SndError"_s);
        QVERIFY(w.chat().endsWith(u"Hexbound could not be started!"_s));
    }

    void removalPacesTheBarAndGoesBack() {
        LiveWindow w;
        QVERIFY(w.start());
        QVERIFY(w.installFromStage(Whisperwood));
        QVERIFY(w.installFromStage(Hexbound));
        QVERIFY(QDir().mkpath(w.f.path(u"Temp/part"_s)));
        TMainForm &form = *w.f.form;
        form.MyGamesPosition = 3;
        w.select(Whisperwood, 2);

        Q_EMIT form.BtnDelete->clicked();
        QCOMPARE(form.PendingJob, quint16(3));
        QVERIFY(form.JobBusy);
        // Browsing meanwhile does not change which game goes.
        form.SelectedGame = Hexbound;

        w.tick(31); // announce
        QCOMPARE(form.StatusLine, "Deleting   Whisperwood..."_ba);
        QCOMPARE(form.LabelGlobalSpeed->text(), u"Deleting   Whisperwood..."_s);
        QVERIFY(form.DLText1->text().isEmpty());
        QVERIFY(!form.DLInfo->isHidden());
        QVERIFY(!form.InstallTimer->isActive());

        w.tick(31); // the removal starts and the wait with it
        QVERIFY(form.InstallTimer->isActive());
        QCOMPARE(form.InstallTimer->interval(), 45 * 15);
        QCOMPARE(form.ProgressMax, 675.0);
        QCOMPARE(form.ActivityClockMs, 0.0);

        // The bar follows the engine's clock through the wait (the wait's own timer cannot fire while
        // the test runs the ticks without the event loop).
        for (int step = 1; step <= 4; ++step) {
            w.tick(100);
            QCOMPARE(form.ProgressValue, 100.0 * step);
            QCOMPARE(form.ProgressBarDownload->value(), 100.0f * step);
            QCOMPARE(form.ProgressBarDownload->maximum(), 675.0f);
            QCOMPARE(form.JobStep, quint16(2));
        }
        QCOMPARE(form.LabelPerc->text(), u"59%"_s);

        QTRY_VERIFY_WITH_TIMEOUT(!form.InstallTimer->isActive(), 10000);
        QVERIFY(form.StepReady);
        w.tick(31); // clean-up of Temp
        QCOMPARE(form.StatusLine, "Clean Up..."_ba);
        QCOMPARE(form.PendingJob, quint16(3));
        w.tick(31); // done
        QCOMPARE(form.PendingJob, quint16(0));
        QCOMPARE(form.JobStep, quint16(1));
        QVERIFY(!form.StepReady);
        QVERIFY(!form.JobBusy);
        QCOMPARE(form.MyGamesPosition, quint32(1));
        QCOMPARE(form.CurrentPanel, quint16(2));
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(w.f.path(u"Temp"_s)), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(w.f.path(u"Games/Whisperwood"_s)), 10000);
        QVERIFY(QFileInfo::exists(w.exePath(Hexbound)));
    }

    void deleteWaitsForTheJobUnderWay() {
        LiveWindow w;
        QVERIFY(w.start());
        QVERIFY(w.installFromStage(Whisperwood));
        w.select(Whisperwood, 3);
        w.f.form->JobBusy = true; // a download runs
        Q_EMIT w.f.form->BtnDelete->clicked();
        QCOMPARE(w.f.form->PendingJob, quint16(0));
        QCOMPARE(w.f.sounds->lastPlayed(), u"SndError"_s);
        QVERIFY(w.chat().endsWith(u"Please wait until the current job is finished!"_s));
        for (int i = 0; i < 5; ++i)
            w.tick(31);
        QVERIFY(QFileInfo::exists(w.exePath(Whisperwood)));
    }

    void aSetupThatCannotStartKeepsTheLauncher() {
        LiveWindow w;
        QVERIFY(w.start());
        TMainForm &form = *w.f.form;
        // A finished setup download whose file is gone by now.
        form.JobBusy = true;
        form.DownloadJobPurpose = DownloadPurpose::LauncherSetup;
        form.StepReady = true;
        form.JobStep = 0;
        form.PendingJob = 1;
        w.tick(31);
        QVERIFY(!form.Exiting());
        QCOMPARE(form.PendingJob, quint16(0));
        QVERIFY(!form.JobBusy);
        QCOMPARE(w.f.sounds->lastPlayed(), u"SndError"_s);
        QVERIFY(w.chat().endsWith(u"The Quillbarrow setup program could not be started!"_s));
        w.tick(31);
        QVERIFY(!form.Exiting());
    }

    void cancelWithoutADownloadCleansUpLater() {
        LiveWindow w;
        QVERIFY(w.start());
        QVERIFY(QDir().mkpath(w.f.path(u"Temp"_s)));
        TMainForm &form = *w.f.form;
        form.JobBusy = true;
        form.DLInfo->show();
        Q_EMIT form.BtnCancel->clicked();
        QVERIFY(!form.JobBusy);
        QVERIFY(form.DownloadIdle);
        QVERIFY(form.DeleteTimer->isActive());
        QCOMPARE(form.DeleteTimer->interval(), 300);
        QVERIFY(QFileInfo::exists(w.f.path(u"Temp"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(!form.DeleteTimer->isActive(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(w.f.path(u"Temp"_s)), 10000);
    }
};

QTEST_MAIN(LaunchRemovalTest)
#include "LaunchRemovalTest.moc"
