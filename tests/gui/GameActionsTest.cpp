// The action buttons of the game detail panel on the real main window: install, play or update by the
// versions, delete, and the running game found on the X server by its window title.
#include "TestXServer.h"
#include "DemoGameInstall.h"
#include "MainFormFixture.h"
#include "core/FileVersion.h"
#include "core/GameLibrary.h"
#include "gui/controls/PictureControl.h"
#include "gui/controls/ProgressBar.h"
#include "platform/WindowFinder.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QTest>

namespace {

// Opens the shop after a login and the game's card, as the player does; the game must be listed.
bool openFromShop(MainFormFixture &f, int game) {
    TMainForm &w = *f.form;
    w.ShopPosition = 1;
    w.RebuildShopList();
    f.navigate(3);
    while (w.ShopPosition < w.Library.ShopCount && w.Library.ShopList[w.ShopPosition - 1] != game)
        QTest::mouseClick(w.BtnRightShop, Qt::LeftButton);
    QTest::mouseClick(w.ShopBtn01, Qt::LeftButton);
    return w.CurrentPanel == 10 && w.SelectedGame == game;
}

void fillTheReadOut(TMainForm &w) {
    w.ProgressValue = 40;
    w.StatusLine = "Downloading: Starfall Drift";
    w.SizeLine = "Size (1250MB)";
    w.SpeedLine = "Download speed: 3 MB/s";
    w.RemainLine = "Remain: 7 sec.";
    w.LabelGlobalSpeed->setText(QString::fromUtf8(w.StatusLine));
    w.DLText1->setText(QString::fromUtf8(w.SizeLine));
    w.DLText3->setText(QString::fromUtf8(w.RemainLine));
    w.DLInfo->show();
}

} // namespace

class GameActionsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void playOrUpdateByVersion_data() {
        QTest::addColumn<QByteArray>("installedVersion"); // empty: the demo build as it is
        QTest::addColumn<bool>("versionRecord");
        QTest::addColumn<QByteArray>("announced");
        QTest::addColumn<int>("mode");

        // Starfall Drift is built as 2.1.3.0.
        QTest::newRow("same version") << QByteArray() << true << QByteArray("2.1.3.0") << 1;
        QTest::newRow("newer announced") << QByteArray() << true << QByteArray("2.2.0.0") << 2;
        QTest::newRow("older announced: equality, not order")
            << QByteArray() << true << QByteArray("2.0.9.9") << 2;
        QTest::newRow("same digits, other text") << QByteArray() << true << QByteArray("2.1.3") << 2;
        QTest::newRow("never updated") << QByteArray() << true << QByteArray("NoVer") << 1;
        QTest::newRow("case counts") << QByteArray() << true << QByteArray("nover") << 2;
        QTest::newRow("service answered Unknown") << QByteArray() << true << QByteArray("Unknown") << 2;
        QTest::newRow("nothing announced yet") << QByteArray() << true << QByteArray() << 2;
        QTest::newRow("1.2.0.3 against 1.2.0.4")
            << QByteArray("1.2.0.3") << true << QByteArray("1.2.0.4") << 2;
        QTest::newRow("1.2.0.3 against 1.2.0.3")
            << QByteArray("1.2.0.3") << true << QByteArray("1.2.0.3") << 1;
        QTest::newRow("no record, nothing announced") << QByteArray() << false << QByteArray() << 1;
        QTest::newRow("no record, NoVer") << QByteArray() << false << QByteArray("NoVer") << 1;
        QTest::newRow("no record, a version announced")
            << QByteArray() << false << QByteArray("2.1.3.0") << 2;
        QTest::newRow("no record, Unknown") << QByteArray() << false << QByteArray("Unknown") << 2;
    }
    void playOrUpdateByVersion() {
        QFETCH(QByteArray, installedVersion);
        QFETCH(bool, versionRecord);
        QFETCH(QByteArray, announced);
        QFETCH(int, mode);
        constexpr int game = 2;
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        if (versionRecord) {
            QVERIFY(installDemoGame(f.folder.path(), game));
            if (!installedVersion.isEmpty())
                QVERIFY(
                    WriteFileVersion(QFile::encodeName(w.Library.AbsolutePath(GameLibrary::ExePath(game))),
                                     installedVersion)
                        .ok);
        } else {
            QVERIFY(installUnversionedGame(f.folder.path(), game));
        }
        w.Library.LatestVersion.fill(announced);
        // The picture must follow the mode both ways: start from the other one.
        QVERIFY(!w.LoadPicture(w.BtnPlay, mode == 1 ? "ButtonUpdate" : "ButtonPlay"));
        fillTheReadOut(w);

        QVERIFY(openFromShop(f, game));
        QCOMPARE(w.Library.InstalledVersion[game],
                 versionRecord ? (installedVersion.isEmpty() ? QByteArray("2.1.3.0") : installedVersion)
                               : QByteArray());
        QCOMPARE(w.BtnPlay->tag(), mode);
        QCOMPARE(w.BtnPlay->picture().toImage(), bundlePicture(w, mode == 1 ? "ButtonPlay" : "ButtonUpdate"));
        QVERIFY(w.BtnInstall->isHidden());
        QVERIFY(!w.BtnPlay->isHidden() && w.BtnPlay->isEnabled());
        QVERIFY(!w.BtnDelete->isHidden() && w.BtnDelete->isEnabled());

        // The read-out is reset whatever the game's state.
        QCOMPARE(w.ProgressValue, 0.0);
        QCOMPARE(w.ProgressBarDownload->value(), 0.0f);
        QVERIFY(w.StatusLine.isEmpty() && w.SizeLine.isEmpty() && w.SpeedLine.isEmpty() &&
                w.RemainLine.isEmpty());
        QVERIFY(w.LabelGlobalSpeed->text().isEmpty() && w.DLText1->text().isEmpty() &&
                w.DLText3->text().isEmpty());
        QVERIFY(w.DLInfo->isHidden());
    }

    void notInstalledShowsInstallUnlessAJobRuns() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        // A folder without the executable is no installed game.
        QVERIFY(QDir().mkpath(f.path(QStringLiteral("Games/IronMeadow/Data"))));
        w.BtnPlay->setTag(2);
        QVERIFY(openFromShop(f, 3));
        QVERIFY(!w.Library.GameInstalled[3]);
        QVERIFY(!w.BtnInstall->isHidden());
        QVERIFY(w.BtnPlay->isHidden() && !w.BtnPlay->isEnabled());
        QVERIFY(w.BtnDelete->isHidden() && !w.BtnDelete->isEnabled());
        QCOMPARE(w.BtnPlay->tag(), 1);

        // Another game downloading: no button at all; once it ends and the panel refreshes, Install again.
        w.JobBusy = true;
        w.RefreshGameStates();
        QVERIFY(w.BtnInstall->isHidden() && w.BtnPlay->isHidden() && w.BtnDelete->isHidden());
        w.JobBusy = false;
        QTest::mouseClick(w.BtnBack, Qt::LeftButton);
        QVERIFY(!w.BtnInstall->isHidden());

        // Installed meanwhile: the next refresh swaps Install for Play and Delete.
        QVERIFY(installDemoGame(f.folder.path(), 3));
        w.Library.LatestVersion[3] = "1.0.5.2";
        QVERIFY(openFromShop(f, 3));
        QVERIFY(w.BtnInstall->isHidden());
        QVERIFY(!w.BtnPlay->isHidden() && !w.BtnDelete->isHidden());
        QCOMPARE(w.BtnPlay->tag(), 1);
    }

    // The demo game runs with its window on an X server of this test's own (the suite's shared one may
    // hold the same game started by another test); the window watch finds it there by its title.
    void runningGameDisablesPlayAndDelete() {
        TestXServer x;
        const QString started = x.start();
        QVERIFY2(started.isEmpty(), qPrintable(started));
        constexpr int game = 4; // Hexbound, whose window title differs from its display title
        MainFormFixture f;
        QVERIFY(f.copyBundles());
        MainFormDependencies deps = f.dependencies();
        deps.windowExists = [finder = std::make_shared<WindowFinder>(x.displayName())](
                                const QByteArray &title) { return finder->exists(title); };
        f.form = std::make_unique<TMainForm>(std::move(deps));
        QVERIFY(!f.form->FormCreate());
        TMainForm &w = *f.form;
        w.EngineTimer->stop();
        QVERIFY(installDemoGame(f.folder.path(), game));
        w.Library.LatestVersion[game] = "NoVer";
        QVERIFY(openFromShop(f, game));
        const auto tickWatch = [&] {
            f.clock->advance(200);
            w.EngineTimerTimer();
        };
        tickWatch();
        QVERIFY(w.BtnPlay->isEnabled() && w.BtnDelete->isEnabled());

        const QString exe = w.Library.AbsolutePath(GameLibrary::ExePath(game));
        QProcess process;
        TestXServer::prepareClient(process, x.displayName());
        process.setWorkingDirectory(QFileInfo(exe).path());
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(exe, {QStringLiteral("a@b.c"), QStringLiteral("pass")});
        QVERIFY(process.waitForStarted());
        WindowFinder finder(x.displayName());
        QTRY_VERIFY_WITH_TIMEOUT(finder.exists(catalogueWindowTitle(game)), 30000);

        tickWatch();
        QVERIFY(w.Library.GameRunning[game]);
        QVERIFY(!w.BtnPlay->isHidden() && !w.BtnPlay->isEnabled());
        QVERIFY(!w.BtnDelete->isHidden() && !w.BtnDelete->isEnabled());
        // A refresh while it runs keeps them disabled; leaving and reopening the game too.
        QTest::mouseClick(w.BtnBack, Qt::LeftButton);
        QVERIFY(openFromShop(f, game));
        QVERIFY(w.BtnInstall->isHidden());
        QVERIFY(!w.BtnPlay->isHidden() && !w.BtnPlay->isEnabled());
        QVERIFY(!w.BtnDelete->isHidden() && !w.BtnDelete->isEnabled());
        QCOMPARE(w.BtnPlay->tag(), 1);

        process.terminate();
        QVERIFY(process.waitForFinished(30000));
        QTRY_VERIFY_WITH_TIMEOUT(!finder.exists(catalogueWindowTitle(game)), 10000);
        tickWatch();
        QVERIFY(!w.Library.GameRunning[game]);
        w.RefreshGameStates();
        QVERIFY(w.BtnPlay->isEnabled() && w.BtnDelete->isEnabled());
    }
};

QTEST_MAIN(GameActionsTest)
#include "GameActionsTest.moc"
