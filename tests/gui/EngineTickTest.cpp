#include "MainFormFixture.h"
#include "core/GameCatalogue.h"
#include "gui/controls/PictureControl.h"
#include "gui/controls/ProgressBar.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QByteArray titleOf(std::size_t game) {
    const std::string_view title = GameCatalogue()[game].WindowTitle;
    return QByteArray(title.data(), qsizetype(title.size()));
}

} // namespace

// The 15 ms engine tick, run by hand on a clock that moves only when told, and window dragging.
class EngineTickTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theFirstTickRunsEverySlot() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
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
        QVERIFY(f.startWithSkin());
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
        QVERIFY(f.startWithSkin());
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
        QVERIFY(f.startWithSkin());
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
        QVERIFY(f.startWithSkin());
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

    // The labels were sized by the layout for the texts they had then; a longer read-out must still
    // show whole, where it was placed.
    void aLongerReadOutWidensItsLabel() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        w.DLText1->setText({});
        w.FormActivate();
        const QPoint placed = w.DLText1->pos();
        w.DLInfo->show();
        w.SizeLine = "Size: (447 MB)       Downloaded: (100 MB)";
        w.EngineTimerTimer();
        const QFontMetricsF metrics(w.DLText1->font());
        QVERIFY(w.DLText1->width() >=
                metrics.horizontalAdvance(u"Size: (447 MB)       Downloaded: (100 MB)"_s));
        QCOMPARE(w.DLText1->pos(), placed);
        // A shorter text later keeps the width: the label does not jitter while the numbers change.
        const int wide = w.DLText1->width();
        w.SizeLine = "Size: (1 MB)";
        f.clock->advance(31);
        w.EngineTimerTimer();
        QCOMPARE(w.DLText1->width(), wide);
    }

    void aHiddenDownloadBarIsLeftAlone() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        w.StatusLine = "Downloading:";
        w.ProgressValue = 50;
        w.EngineTimerTimer();
        QCOMPARE(w.LabelPerc->text(), QStringLiteral("100%"));
        QCOMPARE(w.ProgressBarDownload->value(), 0.0f);
    }

    void theActivityClockFillsTheBar() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
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
        QVERIFY(f.startWithSkin());
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
        QVERIFY(f.startWithSkin());
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
};

QTEST_MAIN(EngineTickTest)
#include "EngineTickTest.moc"
