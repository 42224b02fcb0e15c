// The shop, My Games, the search and the game actions of the real window, with built demo games in
// its Games folder; a game started from the window opens its window on an X server of the test's own
// (the suite's shared one may hold the same game started by another test), where the window watch
// finds it by its title.
#include "TestWindow.h"
#include "TestXServer.h"
#include "core/GameCatalogue.h"
#include "core/ShopCardText.h"
#include "gui/controls/PictureControl.h"
#include "gui/controls/ProgressBar.h"
#include "platform/WindowFinder.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPropertyAnimation>
#include <QTest>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {

constexpr qint16 StarfallDrift = 2; // built as 2.1.3.0
constexpr qint16 IronMeadow = 3;
constexpr qint16 Hexbound = 4;
constexpr qint16 Whisperwood = 7; // removal wait 45: 675 ms
constexpr qint16 NeonGambit = 10;
const QString ChooseFromShop = u"Plaese choose a Game from Shop and Install."_s;

const GameEntry &entry(int game) {
    return GameCatalogue()[std::size_t(game)];
}

QImage imageOf(const TestWindow &t, int game) {
    return t.picture(QByteArrayView(entry(game).ImageName.data(), qsizetype(entry(game).ImageName.size())));
}

QString firstLine(const QLabel *text) {
    return text->text().section(u'\n', 0, 0);
}

QString card(int game, bool installed) {
    return QString::fromUtf8(ShopCardText(game, installed));
}

// What the login acceptance does to the library views before it shows home.
void acceptLogin(TestWindow &t) {
    TMainForm &w = *t.form;
    w.NewsIndex = 1;
    w.ShopPosition = 1;
    w.MyGamesPosition = 1;
    w.RefreshGameStates();
    w.RebuildShopList();
    w.FillMyGamesPage();
    w.FillShopPage();
    t.navigate(1);
}

// A wheel turn as the user makes it over a control: delivered to it, left to its panel.
void turnWheel(QWidget *over, int delta) {
    QWheelEvent wheel(QPointF(4, 4), over->mapToGlobal(QPointF(4, 4)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    QApplication::instance()->notify(over, &wheel);
}

} // namespace

// One window for the whole class, its game watch on the test's X server.
class LibraryTest : public QObject {
    Q_OBJECT

    TestXServer x;
    TestWindow t;

private Q_SLOTS:
    void initTestCase() {
        const QString started = x.start();
        QVERIFY2(started.isEmpty(), qPrintable(started));
        t.display = x.displayName();
        QVERIFY(t.start());
        t.logInByHand();
    }

    void shopPagesAndCards() {
        TMainForm &w = *t.form;
        QVERIFY(t.installGame(IronMeadow));
        acceptLogin(t);
        QTest::mouseClick(w.BtnShop, Qt::LeftButton);
        QCOMPARE(w.ShopText1->text(), u"11 Games Available In Shop"_s);
        QCOMPARE(w.GameText01->text(), card(StarfallDrift, false));
        QCOMPARE(w.GameText02->text(), card(IronMeadow, true));
        QCOMPARE(w.ShopBtn02->picture().toImage(), imageOf(t, IronMeadow));
        QVERIFY(w.BtnLeftShop->isHidden() && !w.BtnRightShop->isHidden());

        // Forward moves the second card into the first place; the wheel towards the user is the
        // forward arrow, away from the user the back one, not past the start and without a cue there.
        QTest::mouseClick(w.BtnRightShop, Qt::LeftButton);
        QCOMPARE(w.GameText01->text(), card(IronMeadow, true));
        turnWheel(w.GameText02, -120);
        QCOMPARE(w.ShopPosition, 3u);
        turnWheel(w.ShopBtn01, 120);
        turnWheel(w.PanelStore, 120);
        QCOMPARE(w.ShopPosition, 1u);

        // A card opens its game; the game goes meanwhile, and back shows the new state on the same pair.
        QTest::mouseClick(w.BtnRightShop, Qt::LeftButton);
        QTest::mouseClick(w.ShopBtn01, Qt::LeftButton);
        QCOMPARE(w.SelectedGame, IronMeadow);
        QCOMPARE(w.CurrentPanel, quint16(10));
        QCOMPARE(w.PanelGames->picture().toImage(), imageOf(t, IronMeadow));
        QVERIFY(!w.BtnPlay->isHidden() && w.BtnInstall->isHidden());
        QVERIFY(QDir(t.path(u"Games/IronMeadow"_s)).removeRecursively());
        QTest::mouseClick(w.BtnBack, Qt::LeftButton);
        QVERIFY(!w.PanelStore->isHidden() && w.PanelGames->isHidden());
        QCOMPARE(w.GameText01->text(), card(IronMeadow, false));
        QTest::mouseClick(w.ShopBtn02, Qt::LeftButton);
        QCOMPARE(w.SelectedGame, Hexbound);
        QVERIFY(!w.BtnInstall->isHidden() && w.BtnPlay->isHidden());
    }

    void myGamesPages() {
        TMainForm &w = *t.form;
        acceptLogin(t);
        QTest::mouseClick(w.BtnMyGames, Qt::LeftButton);
        // No game: both slots point to the shop, with one pulse of its button.
        QCOMPARE(w.MyGameBtn01->picture().toImage(), t.picture("Scroll"));
        QTest::mouseClick(w.MyGameBtn01, Qt::LeftButton);
        QCOMPARE(w.CurrentPanel, quint16(2));
        QCOMPARE(t.chat().count(ChooseFromShop), 1);
        QCOMPARE(t.sounds->lastPlayed(), u"SndStore"_s);
        QTRY_VERIFY(w.BtnShop->scaleX() > 1.1 && w.BtnShop->scaleY() > 1.1);
        QTRY_VERIFY(w.StoreAnimX->state() == QAbstractAnimation::Stopped && w.BtnShop->scaleY() == 1.0);

        // Installed in another order than the catalogue's; the page follows the catalogue.
        for (const int game : {NeonGambit, IronMeadow, Whisperwood})
            QVERIFY(t.installGame(game));
        acceptLogin(t);
        QTest::mouseClick(w.BtnMyGames, Qt::LeftButton);
        QCOMPARE(w.InstText01->text(), u"Iron Meadow"_s);
        QCOMPARE(w.MyGameBtn02->picture().toImage(), imageOf(t, Whisperwood));
        QTest::mouseClick(w.BtnRight, Qt::LeftButton);
        QCOMPARE(w.InstText02->text(), u"Neon Gambit"_s);
        QVERIFY(w.BtnRight->isHidden() && !w.BtnLeft->isHidden());
        // Opened from My Games, back returns there with the same pair.
        QTest::mouseClick(w.MyGameBtn02, Qt::LeftButton);
        QCOMPARE(w.SelectedGame, NeonGambit);
        QTest::mouseClick(w.BtnBack, Qt::LeftButton);
        QCOMPARE(w.CurrentPanel, quint16(2));
        QCOMPARE(w.InstText01->text(), u"Whisperwood"_s);

        // Removed outside the launcher: showing My Games rescans but keeps the position, and the slot
        // past the shorter list is a placeholder, never the stale entry.
        QVERIFY(QDir(t.path(u"Games/NeonGambit"_s)).removeRecursively());
        QTest::mouseClick(w.BtnMyGames, Qt::LeftButton);
        QCOMPARE(w.MyGamesPosition, 2u);
        QVERIFY(w.InstText02->text().isEmpty());
        QCOMPARE(w.MyGameBtn02->picture().toImage(), t.picture("Scroll"));
        QTest::mouseClick(w.MyGameBtn02, Qt::LeftButton);
        QCOMPARE(t.chat().count(ChooseFromShop), 2);
    }

    void searchNarrowsTheShop() {
        TMainForm &w = *t.form;
        acceptLogin(t);
        QTest::mouseClick(w.BtnShop, Qt::LeftButton);
        QTest::mouseClick(w.BtnRightShop, Qt::LeftButton);
        QTest::keyClicks(w.SearchEdit, u"RA"_s);
        QCOMPARE(w.ShopText1->text(), u"Found 2 Games of 11 Available In Shop"_s);
        QCOMPARE(w.ShopPosition, 1u);
        QCOMPARE(firstLine(w.GameText01), u"Rustbucket Rally"_s);
        QVERIFY(w.BtnLeftShop->isHidden() && w.BtnRightShop->isHidden());
        // Back from a found game keeps the list and the text.
        QTest::mouseClick(w.ShopBtn02, Qt::LeftButton);
        QTest::mouseClick(w.BtnBack, Qt::LeftButton);
        QCOMPARE(w.SearchEdit->text(), u"RA"_s);
        QCOMPARE(firstLine(w.GameText02), u"Moonlit Masquerade"_s);

        // Deleting the last character, or the clear button, brings back the whole shop.
        w.SearchEdit->clear();
        QTest::keyClicks(w.SearchEdit, u"o"_s);
        QTest::mouseClick(w.BtnRightShop, Qt::LeftButton);
        QTest::keyClick(w.SearchEdit, Qt::Key_Backspace);
        QCOMPARE(w.ShopText1->text(), u"11 Games Available In Shop"_s);
        QCOMPARE(w.ShopPosition, 1u);
        QTest::keyClicks(w.SearchEdit, u"ee"_s);
        QTest::mouseClick(w.BtnClearSearch, Qt::LeftButton);
        QVERIFY(w.SearchEdit->text().isEmpty());
        QCOMPARE(w.ShopText1->text(), u"11 Games Available In Shop"_s);
        QVERIFY(!w.ShopBtn01->isHidden() && !w.ShopBtn02->isHidden());
    }

    // Play or Update by the installed and the announced version; a detail panel resets the read-out.
    void playOrUpdateByVersion() {
        TMainForm &w = *t.form;
        QVERIFY(t.installGame(StarfallDrift));
        for (const auto &[announced, mode] : {std::pair{"2.1.3.0"_ba, 1}, std::pair{"2.2.0.0"_ba, 2}}) {
            w.Library.LatestVersion[StarfallDrift] = announced;
            // The picture must follow the mode both ways: start from the other one.
            QVERIFY(!w.LoadPicture(w.BtnPlay, mode == 1 ? "ButtonUpdate" : "ButtonPlay"));
            w.ProgressValue = 40;
            w.StatusLine = "Downloading: Starfall Drift";
            w.DLInfo->show();
            t.select(StarfallDrift);
            QCOMPARE(w.BtnPlay->tag(), mode);
            QCOMPARE(w.BtnPlay->picture().toImage(), t.picture(mode == 1 ? "ButtonPlay" : "ButtonUpdate"));
            QVERIFY(w.BtnInstall->isHidden() && w.BtnPlay->isEnabled() && w.BtnDelete->isEnabled());
            QVERIFY(w.StatusLine.isEmpty() && w.ProgressValue == 0 && w.DLInfo->isHidden());
        }
    }

    void playStartsTheGameAndTheWatchFindsIt() {
        TMainForm &w = *t.form;
        QVERIFY(t.installGame(IronMeadow));
        w.AccountEmail = "ann@example.com";
        w.AccountPassword = "pass word";
        w.Library.LatestVersion[IronMeadow] = "1.0.5.2";
        t.select(IronMeadow);
        t.tick(200);
        QVERIFY(w.BtnPlay->isEnabled());
        {
            const auto onTheTestsDisplay = childrenOnDisplay(x.displayName());
            Q_EMIT w.BtnPlay->clicked();
        }
        const QList<qint64> pids = processesOf(t.exePath(IronMeadow));
        QCOMPARE(pids.size(), 1);
        // A password with a blank reaches the game as two words.
        QCOMPARE(argumentsOf(pids[0]), (QList<QByteArray>{"ann@example.com", "pass", "word"}));
        QCOMPARE(QFileInfo(u"/proc/%1/cwd"_s.arg(pids[0])).canonicalFilePath(),
                 QFileInfo(t.path(u"Games/IronMeadow"_s)).canonicalFilePath());

        // The window watch, every 200 ms of the engine's clock, sees the game's window come and go.
        QTRY_VERIFY_WITH_TIMEOUT((t.tick(200), !w.BtnPlay->isEnabled()), 30000);
        QVERIFY(!w.BtnDelete->isEnabled() && w.Library.GameRunning[IronMeadow]);
        QCOMPARE(::kill(pid_t(pids[0]), SIGTERM), 0);
        const QByteArray title(entry(IronMeadow).WindowTitle.data(),
                               qsizetype(entry(IronMeadow).WindowTitle.size()));
        WindowFinder finder(x.displayName());
        QTRY_VERIFY_WITH_TIMEOUT(!finder.exists(title), 30000);
        t.tick(199);
        QVERIFY(!w.BtnPlay->isEnabled());
        t.tick(1);
        QVERIFY(w.BtnPlay->isEnabled() && w.BtnDelete->isEnabled());
    }

    void playRefusals() {
        TMainForm &w = *t.form;
        t.select(Hexbound); // not installed
        Q_EMIT w.BtnPlay->clicked();
        QVERIFY(t.chat().endsWith(u"Hexbound could not be started!"_s));
        w.LoggedIn = false;
        t.select(IronMeadow);
        Q_EMIT w.BtnPlay->clicked();
        QVERIFY(t.chat().endsWith(u"You need to LogIn!"_s));
        QVERIFY(processesOf(t.exePath(IronMeadow)).isEmpty());
        w.LoggedIn = true;
    }

    void removalPacesTheBarAndGoesBack() {
        TMainForm &w = *t.form;
        QVERIFY(t.installGame(Whisperwood));
        QVERIFY(QDir().mkpath(t.path(u"Temp/part"_s)));
        w.MyGamesPosition = 3;
        t.select(Whisperwood, 2);
        Q_EMIT w.BtnDelete->clicked();
        QCOMPARE(w.PendingJob, quint16(3));
        // Browsing meanwhile does not change which game goes.
        w.SelectedGame = IronMeadow;
        t.tick(); // announce
        QCOMPARE(w.LabelGlobalSpeed->text(), u"Deleting   Whisperwood..."_s);
        QVERIFY(!w.DLInfo->isHidden());
        t.tick(); // the removal starts and its paced wait with it
        QCOMPARE(w.InstallTimer->interval(), 45 * 15);
        QCOMPARE(w.ProgressMax, 675.0);
        // The bar follows the engine's clock through the wait.
        for (int step = 1; step <= 2; ++step) {
            t.tick(100);
            QCOMPARE(w.ProgressBarDownload->value(), 100.0f * step);
        }
        QCOMPARE(w.LabelPerc->text(), u"29%"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!w.InstallTimer->isActive(), 10000);
        t.tick(); // clean-up of Temp
        QCOMPARE(w.StatusLine, "Clean Up..."_ba);
        t.tick(); // done
        QVERIFY(w.PendingJob == 0 && !w.JobBusy);
        QCOMPARE(w.MyGamesPosition, 1u);
        QCOMPARE(w.CurrentPanel, quint16(2));
        QTRY_VERIFY(!QFileInfo::exists(t.path(u"Temp"_s)));
        QTRY_VERIFY(!QFileInfo::exists(t.path(u"Games/Whisperwood"_s)));
        QVERIFY(QFileInfo::exists(t.exePath(IronMeadow)));
    }

    void aSetupThatCannotStartKeepsTheLauncher() {
        TMainForm &w = *t.form;
        // A finished setup download whose file is gone by now: nothing to verify, nothing started.
        w.JobBusy = true;
        w.DownloadJobPurpose = DownloadPurpose::LauncherSetup;
        w.StepReady = true;
        w.JobStep = 0;
        w.PendingJob = 1;
        t.tick();
        QVERIFY(!w.Exiting() && !w.JobBusy);
        QCOMPARE(w.PendingJob, quint16(0));
        QVERIFY2(t.chat().contains(u"The Quillbarrow setup program was not started"_s), qPrintable(t.chat()));
        t.tick();
        QVERIFY(!w.Exiting());
    }
};

QTEST_MAIN(LibraryTest)
#include "LibraryTest.moc"
