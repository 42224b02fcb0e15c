#include "MainFormFixture.h"
#include "core/GameCatalogue.h"
#include "core/SavedLoginTable.h"
#include "core/SettingsTable.h"
#include "core/SkinNames.h"
#include "core/TableFile.h"
#include "gui/app/LauncherForms.h"
#include "gui/controls/PictureControl.h"
#include "gui/controls/ProgressBar.h"
#include "gui/dialogs/AboutDialog.h"
#include "gui/dialogs/ConfigDialog.h"
#include "gui/dialogs/MessageDialog.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>

using namespace Qt::StringLiterals;

namespace {

QByteArray titleOf(std::size_t game) {
    const std::string_view title = GameCatalogue()[game].WindowTitle;
    return QByteArray(title.data(), qsizetype(title.size()));
}

// The picture the bundle holds under this name, as the window would show it.
QImage bundlePicture(TMainForm &form, QByteArrayView name) {
    PictureControl probe;
    if (form.LoadPicture(&probe, name))
        return {};
    return probe.picture().toImage();
}

int linesContaining(const QPlainTextEdit *memo, const QString &text) {
    return int(memo->toPlainText().split(u'\n').filter(text).size());
}

} // namespace

class MainFormTest : public QObject {
    Q_OBJECT

private:
    // A window started in a folder with the bundles; the engine timer is stopped so that the test
    // runs the ticks itself.
    static void startWindow(MainFormFixture &f) {
        QVERIFY(f.copyBundles());
        const std::optional<QString> error = f.start();
        QVERIFY2(!error, qPrintable(error.value_or(QString())));
        f.form->EngineTimer->stop();
    }

    static void navigate(TMainForm &form, quint16 panel) {
        form.CurrentPanel = panel;
        form.ShowPanel();
    }

private Q_SLOTS:
    void startUpShowsOnlyTheLoginForm() {
        MainFormFixture f;
        QVERIFY(f.copyBundles());
        QVERIFY(!f.start());
        TMainForm &w = *f.form;

        QVERIFY(!w.LogInForm->isHidden());
        const QList<QWidget *> hiddenItems{
            w.PanelInfo, w.ADS,         w.LogOutBtn,  w.TXTEMail, w.PanelHome, w.PanelMyGames, w.PanelStore,
            w.PanelNews, w.PanelSocial, w.PanelGames, w.DLInfo,   w.ChatPanel, w.ChatEdit,     w.BtnUpdate};
        for (QWidget *hidden : hiddenItems)
            QVERIFY2(hidden->isHidden(), qPrintable(hidden->objectName()));
        QVERIFY(!w.NewsTimer->isActive());
        QVERIFY(!w.ADSTimer->isActive());
        QVERIFY(w.EngineTimer->isActive());
        for (QTimer *stopped : {w.AppEndTimer, w.CheckServerTO, w.LoginTO, w.ChatTO, w.ChatPanelTimer,
                                w.InstallTimer, w.DeleteTimer})
            QVERIFY2(!stopped->isActive(), qPrintable(stopped->objectName()));

        // The web engine is expensive: nothing of it exists before the first ad page.
        QVERIFY(!w.ADSBrowser);
        QVERIFY(!w.findChild<QWebEngineView *>());

        QCOMPARE(w.LoginId, QByteArray("0"));
        QCOMPARE(w.LoginUrl, QByteArray("https://service.invalid:8443/game/login.server.php"));
        QCOMPARE(w.CheckUrl, QByteArray("https://service.invalid:8443/game/check.server.php"));
        QCOMPARE(w.ChatUrl, QByteArray("https://service.invalid:8443/game/chat.php"));
        QCOMPARE(w.DownloadBaseUrl, QByteArray("https://service.invalid:8443/download/"));
        QVERIFY(w.ServerCheckIdle);
        QVERIFY(w.DownloadIdle);
        QCOMPARE(w.JobStep, quint16(1));

        // No launcher executable in the folder: no version to show.
        QCOMPARE(w.windowTitle(), QStringLiteral("Quillbarrow   v"));
        // The login background and every start-up picture came from the bundle.
        QCOMPARE(w.Pozadina->picture().toImage(), bundlePicture(w, "LogInBckg"));
        for (const SkinPicture &entry : StartupPictures) {
            const QString component =
                QString::fromLatin1(entry.Component.data(), qsizetype(entry.Component.size()));
            const auto *target = w.findChild<PictureControl *>(component);
            QVERIFY2(target, qPrintable(component));
            const QImage expected =
                bundlePicture(w, QByteArray(entry.Resource.data(), qsizetype(entry.Resource.size())));
            QVERIFY(!expected.isNull());
            QVERIFY2(target->picture().toImage() == expected, qPrintable(component));
        }

        // A first start creates both tables with their defaults.
        QCOMPARE(QFileInfo(f.path(QStringLiteral("Quillbarrow.dat"))).size(), 22);
        QCOMPARE(QFileInfo(f.path(QStringLiteral("config.dat"))).size(), 506);
        QVERIFY(w.SoundsOn);
        QVERIFY(!w.AutoLoginArmed);
        QVERIFY(f.messages.isEmpty());
    }

    void captionCarriesTheLauncherVersion() {
        MainFormFixture f;
        QVERIFY(QFile::copy(QStringLiteral(LAUNCHER_EXE), f.path(QStringLiteral("Quillbarrow.exe"))));
        startWindow(f);
        QCOMPARE(f.form->LauncherVersion, QByteArray("1.0.0.8"));
        QCOMPARE(f.form->VersionLabel, QByteArray("v1.0.0.8"));
        QCOMPARE(f.form->windowTitle(), QStringLiteral("Quillbarrow   v1.0.0.8"));
    }

    void formsAreCreatedAfterTheMainWindow() {
        MainFormFixture f;
        QVERIFY(f.copyBundles());
        LauncherForms forms;
        QVERIFY(!forms.create(f.dependencies()));
        TMainForm *w = forms.mainForm();
        QVERIFY(w);
        QVERIFY(w->About && w->Config && w->MessageForm);
        QCOMPARE(w->About->objectName(), QStringLiteral("About"));
        QCOMPARE(w->Config->objectName(), QStringLiteral("Config"));
        QCOMPARE(w->MessageForm->objectName(), QStringLiteral("MessageForm"));
        // Created hidden, in order, owned by the main window.
        const QObjectList children = w->children();
        const auto at = [&](QObject *o) { return children.indexOf(o); };
        QVERIFY(at(w->About) >= 0 && at(w->About) < at(w->Config) && at(w->Config) < at(w->MessageForm));
        QVERIFY(w->About->isHidden() && w->Config->isHidden() && w->MessageForm->isHidden());
        QVERIFY(w->EngineTimer->isActive());
    }

    void aMissingSkinStopsStartUp() {
        MainFormFixture f;
        LauncherForms forms;
        const std::optional<QString> error = forms.create(f.dependencies());
        QVERIFY(error);
        QVERIFY2(error->contains(QStringLiteral("BtnHome")), qPrintable(*error));
        QVERIFY(!forms.mainForm()->EngineTimer->isActive());
        QVERIFY(!forms.mainForm()->About);
        // Start-up stopped before the tables were read.
        QVERIFY(!QFileInfo::exists(f.path(QStringLiteral("Quillbarrow.dat"))));
    }

    void aDamagedTableIsReportedAndKept() {
        MainFormFixture f;
        QFile damaged(f.path(QStringLiteral("config.dat")));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("\x05\x00\x00\x00\xff\xff", 6);
        damaged.close();
        startWindow(f);
        QCOMPARE(f.messages, QStringList{TableReadError.toString()});
        QCOMPARE(QFileInfo(damaged).size(), 6);
        QVERIFY(f.form->SoundsOn);
    }

    void navigationAppliesTheVisibilityTable_data() {
        QTest::addColumn<quint16>("panel");
        QTest::addColumn<quint16>("from");
        // News timer, ADS timer, TXTEMail, PanelInfo, PanelHome, PanelMyGames, PanelStore, PanelGames,
        // LogOutBtn, PanelNews, PanelSocial, ADS, LogInForm.
        QTest::addColumn<QString>("row");
        const QList<std::pair<quint16, QString>> rows{
            {0, QStringLiteral("0000000000001")}, {1, QStringLiteral("1111100010010")},
            {2, QStringLiteral("0111010010010")}, {3, QStringLiteral("0111001010010")},
            {4, QStringLiteral("0111000011010")}, {5, QStringLiteral("0111000010110")},
            {10, QStringLiteral("0111000110010")}};
        for (const auto &[panel, row] : rows) {
            for (const quint16 from : {quint16(0), quint16(1), quint16(10)})
                QTest::addRow("%d from %d", panel, from) << panel << from << row;
        }
    }

    void navigationAppliesTheVisibilityTable() {
        QFETCH(quint16, panel);
        QFETCH(quint16, from);
        QFETCH(QString, row);
        MainFormFixture f;
        startWindow(f);
        TMainForm &w = *f.form;
        w.NewsIndex = 1;
        navigate(w, from);
        navigate(w, panel);
        QVERIFY(f.messages.isEmpty());

        const QList<QWidget *> items{w.TXTEMail,    w.PanelInfo,  w.PanelHome, w.PanelMyGames,
                                     w.PanelStore,  w.PanelGames, w.LogOutBtn, w.PanelNews,
                                     w.PanelSocial, w.ADS,        w.LogInForm};
        QCOMPARE(w.NewsTimer->isActive(), row[0] == u'1');
        QCOMPARE(w.ADSTimer->isActive(), row[1] == u'1');
        for (int i = 0; i < items.size(); ++i)
            QVERIFY2(items[i]->isHidden() == (row[i + 2] == u'0'), qPrintable(items[i]->objectName()));
        QCOMPARE(w.CurrentPanel, panel);
    }

    void menuButtonsNavigate() {
        MainFormFixture f;
        startWindow(f);
        TMainForm &w = *f.form;
        w.NewsIndex = 1;
        const QList<std::pair<PictureControl *, QWidget *>> menu{{w.BtnMyGames, w.PanelMyGames},
                                                                 {w.BtnShop, w.PanelStore},
                                                                 {w.BtnNews, w.PanelNews},
                                                                 {w.BtnSocial, w.PanelSocial},
                                                                 {w.BtnHome, w.PanelHome}};
        for (const auto &[button, panel] : menu) {
            QTest::mouseClick(button, Qt::LeftButton);
            QVERIFY2(!panel->isHidden(), qPrintable(panel->objectName()));
            QVERIFY(w.LogInForm->isHidden());
        }
        QCOMPARE(w.CurrentPanel, quint16(1));
    }

    void onlyHomeRunsTheNewsRotation() {
        MainFormFixture f;
        startWindow(f);
        TMainForm &w = *f.form;
        w.NewsIndex = 1;
        navigate(w, 1);
        QVERIFY(w.NewsTimer->isActive());
        QCOMPARE(w.News->picture().toImage(), bundlePicture(w, "News1"));
        navigate(w, 3);
        QVERIFY(!w.NewsTimer->isActive());
        // Returning shows the current picture at once.
        w.NewsIndex = 2;
        navigate(w, 1);
        QVERIFY(w.NewsTimer->isActive());
        QCOMPARE(w.News->picture().toImage(), bundlePicture(w, "News2"));
        QVERIFY(w.News->picture().toImage() != bundlePicture(w, "News1"));
    }

    void aMissingNewsPictureIsReportedAfterTheVisibility() {
        MainFormFixture f;
        startWindow(f);
        TMainForm &w = *f.form;
        w.NewsIndex = 0;
        navigate(w, 1);
        QCOMPARE(f.messages.size(), 1);
        QVERIFY2(f.messages[0].contains(QStringLiteral("News0")), qPrintable(f.messages[0]));
        QVERIFY(!w.PanelHome->isHidden());
        QVERIFY(w.LogInForm->isHidden());
    }

    void showPasswordIsDisabledWhileCredentialsAreArmed_data() {
        QTest::addColumn<bool>("keep");
        QTest::addColumn<QByteArray>("email");
        QTest::addColumn<bool>("armed");
        QTest::newRow("saved login") << true << QByteArray("mira@example.org") << true;
        QTest::newRow("saved flag, no e-mail") << true << QByteArray() << false;
        QTest::newRow("not saved") << false << QByteArray("mira@example.org") << false;
    }

    void showPasswordIsDisabledWhileCredentialsAreArmed() {
        QFETCH(bool, keep);
        QFETCH(QByteArray, email);
        QFETCH(bool, armed);
        MainFormFixture f;
        StringGrid grid = defaultSavedLoginTable();
        QVERIFY(saveSavedLoginTable(grid, f.folder.path(), keep, email, "s3cret pass").ok);
        startWindow(f);
        TMainForm &w = *f.form;
        QCOMPARE(w.AutoLoginArmed, armed);
        QCOMPARE(w.ShowPass->isEnabled(), !armed);
        QCOMPARE(w.CheckBoxSave->isChecked(), keep);
        if (armed) {
            QCOMPARE(w.EMailEdit->text(), QString::fromUtf8(email));
            QCOMPARE(w.PasswordEdit->text(), QStringLiteral("s3cret pass"));
        }
        // The same holds after a later return to the login panel.
        w.AutoLoginArmed = !armed;
        navigate(w, 0);
        QCOMPARE(w.ShowPass->isEnabled(), armed);
    }

    void theDownloadBarStaysOnTopWhileAJobRuns() {
        MainFormFixture f;
        startWindow(f);
        TMainForm &w = *f.form;
        w.NewsIndex = 1;
        w.JobBusy = true;
        for (const quint16 panel : {1, 2, 3, 4, 5, 10, 0}) {
            navigate(w, panel);
            QVERIFY(!w.DLInfo->isHidden());
            QCOMPARE(w.children().last(), static_cast<QObject *>(w.DLInfo));
        }
        w.JobBusy = false;
        navigate(w, 3);
        QVERIFY(w.DLInfo->isHidden());
    }

    void theFirstTickRunsEverySlot() {
        MainFormFixture f;
        startWindow(f);
        TMainForm &w = *f.form;
        f.openWindows.insert(titleOf(0));
        const quint32 start = f.clock->now();
        w.EngineTimerTimer();
        for (const EngineSlot &slot : w.EngineSlots)
            QCOMPARE(slot.lastRun, start);
        // The game-window watch ran: the selected game (0) is running and pauses the chat.
        QVERIFY(w.Library.GameRunning[0]);
        QVERIFY(!w.BtnPlay->isEnabled());
        QVERIFY(!w.BtnDelete->isEnabled());
        QVERIFY(!w.ChatPollAllowed);

        // 31 ms later only the first slot is due.
        f.clock->advance(31);
        w.EngineTimerTimer();
        QCOMPARE(w.EngineSlots[0].lastRun, start + 31);
        for (int slot = 1; slot < 4; ++slot)
            QCOMPARE(w.EngineSlots[slot].lastRun, start);

        // The game's window closes: noticed at the next 200 ms slot.
        f.openWindows.clear();
        f.clock->advance(168);
        w.EngineTimerTimer();
        QVERIFY(!w.BtnPlay->isEnabled());
        f.clock->advance(1);
        w.EngineTimerTimer();
        QVERIFY(w.BtnPlay->isEnabled());
        QVERIFY(w.BtnDelete->isEnabled());
        QVERIFY(!w.Library.GameRunning[0]);
        QVERIFY(w.ChatPollAllowed);
    }

    void slotsSurviveTheTickCountWrapping() {
        MainFormFixture f;
        startWindow(f);
        TMainForm &w = *f.form;
        f.clock->set(0xFFFFFFF0u);
        w.EngineTimerTimer();
        for (const EngineSlot &slot : w.EngineSlots)
            QCOMPARE(slot.lastRun, 0xFFFFFFF0u);
        f.clock->advance(0x20); // now 0x10
        w.EngineTimerTimer();
        QCOMPARE(w.EngineSlots[0].lastRun, 0x10u);
        QCOMPARE(w.EngineSlots[1].lastRun, 0xFFFFFFF0u);
        f.clock->set(0xFFFFFFF0u + 3000u);
        w.EngineTimerTimer();
        QCOMPARE(w.EngineSlots[1].lastRun, 0xFFFFFFF0u + 3000u);
        QCOMPARE(w.EngineSlots[3].lastRun, 0xFFFFFFF0u + 3000u);
    }

    void theWatchLetsOtherGamesKeepTheChat() {
        MainFormFixture f;
        startWindow(f);
        TMainForm &w = *f.form;
        w.SelectedGame = 4;
        f.openWindows.insert(titleOf(4));
        w.EngineTimerTimer();
        QVERIFY(w.Library.GameRunning[4]);
        QVERIFY(!w.BtnPlay->isEnabled());
        QVERIFY(w.ChatPollAllowed);
        // No game selected: nothing is watched and nothing is out of bounds.
        w.SelectedGame = -1;
        f.clock->advance(200);
        w.EngineTimerTimer();
        QVERIFY(w.BtnPlay->isEnabled());
    }

    void thePollSlotFillsTheChatRequest() {
        MainFormFixture f;
        startWindow(f);
        TMainForm &w = *f.form;
        w.LoggedIn = true;
        w.ChatText = "typed";
        w.EngineTimerTimer();
        QCOMPARE(w.ChatCommand, QByteArray("CheckChat"));
        QCOMPARE(w.ChatChannel, QByteArray("Global"));
        QVERIFY(w.ChatText.isEmpty());
        // A typed command waits for its post instead of being replaced by the poll.
        w.ChatSendPending = true;
        w.ChatCommand = "Say";
        w.ChatText = "hello";
        f.clock->advance(500);
        w.EngineTimerTimer();
        QCOMPARE(w.ChatCommand, QByteArray("Say"));
        QCOMPARE(w.ChatText, QByteArray("hello"));
    }

    void theDownloadBarMirrorsTheReadOut_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("maximum");
        // The value is set before the maximum, so the first tick after a change of the maximum reads
        // the value clamped by the maximum still in place (100 at start); the next tick is exact.
        QTest::addColumn<QString>("firstPercent");
        QTest::addColumn<QString>("percent");
        QTest::newRow("nothing yet") << 0.0 << 100.0 << u"0%"_s << u"0%"_s;
        QTest::newRow("a quarter") << 25.0 << 100.0 << u"25%"_s << u"25%"_s;
        QTest::newRow("truncated") << 2.0 << 3.0 << u"66%"_s << u"66%"_s;
        QTest::newRow("no maximum") << 0.0 << 0.0 << u"0%"_s << u"0%"_s;
        QTest::newRow("complete") << 4096.0 << 4096.0 << u"2%"_s << u"100%"_s;
        QTest::newRow("above the old maximum") << 500.0 << 1000.0 << u"10%"_s << u"50%"_s;
        QTest::newRow("above the maximum") << 80.0 << 40.0 << u"100%"_s << u"100%"_s;
    }

    void theDownloadBarMirrorsTheReadOut() {
        QFETCH(double, value);
        QFETCH(double, maximum);
        QFETCH(QString, firstPercent);
        QFETCH(QString, percent);
        MainFormFixture f;
        startWindow(f);
        TMainForm &w = *f.form;
        w.DLInfo->show();
        w.StatusLine = "Downloading:      Ember Hollow";
        w.SizeLine = "Size: (640 MB)";
        w.SpeedLine = "Download speed: 12 MB/s";
        w.RemainLine = "Remain: 40 sec.";
        w.ProgressValue = value;
        w.ProgressMax = maximum;
        w.EngineTimerTimer();
        QCOMPARE(w.LabelPerc->text(), firstPercent);
        f.clock->advance(31);
        w.EngineTimerTimer();
        QCOMPARE(w.LabelPerc->text(), percent);
        QCOMPARE(w.LabelGlobalSpeed->text(), u"Downloading:      Ember Hollow"_s);
        QCOMPARE(w.DLText1->text(), u"Size: (640 MB)"_s);
        QCOMPARE(w.DLText2->text(), u"Download speed: 12 MB/s"_s);
        QCOMPARE(w.DLText3->text(), u"Remain: 40 sec."_s);
        QCOMPARE(w.LabelPerc->x(), int(w.ProgressBarDownload->width() * 0.5f - w.LabelPerc->width() / 2.0f));
    }

    void aHiddenDownloadBarIsLeftAlone() {
        MainFormFixture f;
        startWindow(f);
        TMainForm &w = *f.form;
        w.StatusLine = "Downloading:";
        w.ProgressValue = 50;
        w.EngineTimerTimer();
        QCOMPARE(w.LabelPerc->text(), QStringLiteral("100%"));
        QCOMPARE(w.ProgressBarDownload->value(), 0.0f);
    }

    void theActivityClockFillsTheBar() {
        MainFormFixture f;
        startWindow(f);
        TMainForm &w = *f.form;
        w.EngineTimerTimer();
        w.InstallTimer->setInterval(60000);
        w.InstallTimer->start();
        w.ActivityClockMs = 0;
        f.clock->advance(40);
        w.EngineTimerTimer();
        f.clock->advance(35);
        w.EngineTimerTimer();
        QCOMPARE(w.ActivityClockMs, 75.0);
        QCOMPARE(w.ProgressValue, 75.0);
        w.InstallTimer->stop();
    }

    void theWindowFollowsTheDragUntilRelease() {
        MainFormFixture f;
        startWindow(f);
        TMainForm &w = *f.form;
        w.move(100, 80);
        f.pointer = PointerState{QPoint(300, 95), true, true};
        QTest::mousePress(w.StatusPanel, Qt::LeftButton);
        QVERIFY(w.DragActive);
        QCOMPARE(w.DragOffsetX, 200);
        QCOMPARE(w.DragOffsetY, 15);

        f.pointer = PointerState{QPoint(420, 160), true, true};
        f.clock->advance(31);
        w.EngineTimerTimer();
        QCOMPARE(w.pos(), QPoint(220, 145));

        // Released: one last move to where the pointer is, then the window stays.
        f.pointer = PointerState{QPoint(430, 170), false, true};
        f.clock->advance(31);
        w.EngineTimerTimer();
        QCOMPARE(w.pos(), QPoint(230, 155));
        QVERIFY(!w.DragActive);
        f.pointer = PointerState{QPoint(600, 400), false, true};
        f.clock->advance(31);
        w.EngineTimerTimer();
        QCOMPARE(w.pos(), QPoint(230, 155));
    }

    void everyBackgroundSurfaceStartsADrag() {
        MainFormFixture f;
        startWindow(f);
        TMainForm &w = *f.form;
        f.pointer = PointerState{QPoint(10, 10), true, true};
        const QStringList surfaces{
            u"Pozadina"_s,  u"ADS"_s,           u"PanelInfo"_s,   u"PanelMyGames"_s, u"MG1Bckg"_s,
            u"MG2Bckg"_s,   u"InstText01"_s,    u"InstText02"_s,  u"PLText1"_s,      u"PanelStore"_s,
            u"G2Bckg"_s,    u"G1Bckg"_s,        u"GameText01"_s,  u"GameText02"_s,   u"PMText1"_s,
            u"ShopText1"_s, u"PanelGames"_s,    u"StatusPanel"_s, u"TXTEMail"_s,     u"TXTServerState"_s,
            u"PanelNews"_s, u"NewsPaperBckg"_s, u"NewsText1"_s,   u"PanelSocial"_s,  u"SocialText1"_s,
            u"LogInForm"_s, u"FrameBckg"_s,     u"PanelHome"_s,   u"HomeText1"_s,    u"News"_s};
        for (const QString &name : surfaces) {
            auto *surface = w.findChild<QWidget *>(name);
            QVERIFY2(surface, qPrintable(name));
            w.DragActive = false;
            QTest::mousePress(surface, Qt::RightButton);
            QVERIFY2(w.DragActive, qPrintable(name));
            QTest::mouseRelease(surface, Qt::RightButton);
        }
        // The memo takes its presses on its viewport and still selects text.
        w.DragActive = false;
        QTest::mousePress(w.NewsMemo->viewport(), Qt::LeftButton);
        QVERIFY(w.DragActive);

        // Buttons and fields are not surfaces.
        const QList<QWidget *> others{w.BtnHome, w.EMailEdit, w.BtnExit};
        for (QWidget *other : others) {
            w.DragActive = false;
            QTest::mousePress(other, Qt::LeftButton);
            QVERIFY2(!w.DragActive, qPrintable(other->objectName()));
            QTest::mouseRelease(other, Qt::LeftButton, {}, QPoint(-5, -5));
        }
        // A drag started by another button ends at the next slot, the left one being up.
        f.pointer = PointerState{QPoint(10, 10), false, true};
        w.DragActive = false;
        QTest::mousePress(w.Pozadina, Qt::RightButton);
        w.EngineTimerTimer();
        QVERIFY(!w.DragActive);
    }

    void keysOfTheChatInput() {
        MainFormFixture f;
        startWindow(f);
        TMainForm &w = *f.form;
        w.NewsIndex = 1;
        navigate(w, 1);
        w.ChatHistory[0] = "half typed";
        w.ChatHistoryPos = 3;
        w.ChatPanelTimer->start();
        QTest::keyClick(&w, Qt::Key_Return);
        QVERIFY(!w.ChatPanel->isHidden());
        QVERIFY(!w.ChatEdit->isHidden());
        QCOMPARE(w.ChatPanel->tag(), 1);
        QVERIFY(!w.ChatPanelTimer->isActive());
        QVERIFY(w.ChatHistory[0].isEmpty());
        QCOMPARE(w.ChatHistoryPos, quint16(0));

        QTest::keyClicks(w.ChatEdit, QStringLiteral("/join"));
        QTest::keyClick(w.ChatEdit, Qt::Key_Escape);
        QVERIFY(w.ChatEdit->text().isEmpty());

        // With the chat paused by a running game, Enter does not open the input.
        w.ChatPanel->setTag(0);
        w.ChatPanel->hide();
        w.ChatPollAllowed = false;
        QTest::keyClick(&w, Qt::Key_Enter);
        QVERIFY(w.ChatPanel->isHidden());
    }

    void altF9TogglesTheFirstGameEvenBeforeLogin() {
        MainFormFixture f;
        startWindow(f);
        TMainForm &w = *f.form;
        const bool listed = w.Library.ListedInShop[0];
        QTest::keyClick(w.EMailEdit, Qt::Key_F9, Qt::AltModifier);
        QCOMPARE(w.Library.ListedInShop[0], !listed);
        QCOMPARE(w.CurrentPanel, quint16(3));
        QVERIFY(!w.PanelStore->isHidden());
        QVERIFY(w.LogInForm->isHidden());
        QTest::keyClick(&w, Qt::Key_F9, Qt::AltModifier);
        QCOMPARE(w.Library.ListedInShop[0], listed);
    }

    void theExitSequenceRunsOnceAndEndsTheProgram() {
        MainFormFixture f;
        startWindow(f);
        TMainForm &w = *f.form;
        w.NewsIndex = 1;
        navigate(w, 1);
        w.EngineTimer->start();
        w.UserName = "Mira";
        w.CheckBoxSave->setChecked(true);
        w.AccountEmail = "mira@example.org";
        w.AccountPassword = "pa ss~word";
        w.SoundsOn = false;

        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(&w, Qt::Key_F4, Qt::AltModifier);
        QVERIFY(w.Exiting());
        QCOMPARE(linesContaining(w.ChatAll, QStringLiteral("Bye bye Mira...")), 1);
        for (QTimer *stopped : {w.EngineTimer, w.ADSTimer, w.NewsTimer, w.CheckServerTO, w.ChatTO})
            QVERIFY2(!stopped->isActive(), qPrintable(stopped->objectName()));
        QVERIFY(!w.ServerCheckIdle);
        QVERIFY(!w.ChatIdle);
        QVERIFY(w.AppEndTimer->isActive());

        // Both tables are on disk already.
        StringGrid settings;
        QVERIFY(!loadSettingsTable(settings, f.folder.path()).soundsOn);
        StringGrid login;
        const SavedLoginLoad saved = loadSavedLoginTable(login, f.folder.path());
        QVERIFY(saved.login.saved);
        QCOMPARE(saved.login.email, QStringLiteral("mira@example.org"));
        QCOMPARE(saved.login.password, QStringLiteral("pa ss~word"));

        // Further requests during the wait change nothing and do not restart it.
        QTest::qWait(500);
        QVERIFY(!w.close());
        w.BtnExitClick();
        QTest::keyClick(&w, Qt::Key_F4, Qt::AltModifier);
        QVERIFY(w.AppEndTimer->remainingTime() <= 1000);
        QCOMPARE(linesContaining(w.ChatAll, QStringLiteral("Bye bye")), 1);
        QVERIFY(w.ResourceLibrary1.isLoaded());
        QVERIFY(w.ResourceLibrary2.isLoaded());

        QTRY_COMPARE_WITH_TIMEOUT(f.exitCodes, QList<int>{0}, 20000);
        QVERIFY2(clock.elapsed() >= 1490, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!w.ResourceLibrary1.isLoaded());
        QVERIFY(!w.ResourceLibrary2.isLoaded());
    }

    void aCloseRequestRunsTheExitSequence() {
        MainFormFixture f;
        startWindow(f);
        TMainForm &w = *f.form;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        QVERIFY(w.Exiting());
        QVERIFY(w.AppEndTimer->isActive());
        QCOMPARE(linesContaining(w.ChatAll, QStringLiteral("Bye bye")), 1);
        QTRY_COMPARE_WITH_TIMEOUT(f.exitCodes, QList<int>{0}, 20000);
        QVERIFY(w.isVisible());
    }

    void cuesFollowTheSoundsSetting() {
        MainFormFixture f;
        startWindow(f);
        TMainForm &w = *f.form;
        QVERIFY(f.sounds);
        // The first navigation at start-up already clicked.
        QCOMPARE(f.sounds->playCount(), 1);
        QCOMPARE(f.sounds->lastPlayed(), QStringLiteral("SndBtnClick"));

        w.SoundsOn = false;
        w.NewsIndex = 1;
        QTest::mouseClick(w.BtnShop, Qt::LeftButton);
        navigate(w, 1);
        w.PlayBack();
        w.PlayMessage();
        w.PlayWhisper();
        w.PlayError();
        w.PlayStore();
        w.BtnMinimizeClick();
        w.BtnExitClick();
        QCOMPARE(f.sounds->playCount(), 1);

        // Turned on again: the very next click sounds.
        w.SoundsOn = true;
        w.PlayClick();
        QCOMPARE(f.sounds->playCount(), 2);
        QCOMPARE(f.sounds->lastPlayed(), QStringLiteral("SndBtnClick"));
    }

    void everyCueHasItsSound() {
        MainFormFixture f;
        startWindow(f);
        TMainForm &w = *f.form;
        const QList<std::pair<void (TMainForm::*)(), QString>> cues{
            {&TMainForm::PlayClick, u"SndBtnClick"_s},
            {&TMainForm::PlayBack, u"SndBtnClickBack"_s},
            {&TMainForm::PlayExit, u"SndBtnClickExit"_s},
            {&TMainForm::PlayMessage, u"SndMessage"_s},
            {&TMainForm::PlayWhisper, u"SndMessageWhisper"_s},
            {&TMainForm::PlayError, u"SndError"_s},
            {&TMainForm::PlayStore, u"SndStore"_s}};
        for (const auto &[play, name] : cues) {
            (w.*play)();
            QCOMPARE(f.sounds->lastPlayed(), name);
        }
    }

    void theExitCuePlaysFromALoadedBundle() {
        MainFormFixture f;
        startWindow(f);
        TMainForm &w = *f.form;
        w.BtnExitClick();
        QCOMPARE(f.sounds->lastPlayed(), QStringLiteral("SndBtnClickExit"));
        QVERIFY(w.ResourceLibrary2.isLoaded());
        QTRY_COMPARE_WITH_TIMEOUT(f.exitCodes, QList<int>{0}, 20000);
        // The voice was stopped before its bundle went.
        QVERIFY(f.sounds->playing().isEmpty());
        QVERIFY(!w.ResourceLibrary2.isLoaded());
    }
};

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
