// The engine tick, run by hand on a clock that moves only when told, window dragging, the window's
// keys and the way out.
#include "TestWindow.h"
#include "core/GameCatalogue.h"
#include "core/SavedLoginTable.h"
#include "gui/controls/PictureControl.h"
#include "gui/controls/ProgressBar.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
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

int linesContaining(const QPlainTextEdit *memo, const QString &text) {
    return int(memo->toPlainText().split(u'\n').filter(text).size());
}

} // namespace

// One window for the whole class, in the order the cases come; the last one ends it.
class EngineTickTest : public QObject {
    Q_OBJECT

    TestWindow t;

private Q_SLOTS:
    void initTestCase() { QVERIFY(t.start()); }

    void slotsRunOnTheirPeriodsAcrossTheWrap() {
        TMainForm &w = *t.form;
        t.openWindows.insert(titleOf(0));
        const quint32 start = 0xFFFFFFF0u;
        t.clock->set(start);
        w.EngineTimerTimer();
        for (const EngineSlot &slot : w.EngineSlots)
            QCOMPARE(slot.lastRun, start);
        // The game-window watch ran: the selected game (0) is running and pauses the chat.
        QVERIFY(w.Library.GameRunning[0] && !w.BtnPlay->isEnabled() && !w.ChatPollAllowed);

        // 31 ms later, past the wrap of the count, only the first slot is due.
        t.tick(31);
        QCOMPARE(w.EngineSlots[0].lastRun, start + 31u);
        for (int slot = 1; slot < 4; ++slot)
            QCOMPARE(w.EngineSlots[slot].lastRun, start);
        // The game's window closes: noticed at the next 200 ms slot, not before.
        t.openWindows.clear();
        t.tick(168);
        QVERIFY(!w.BtnPlay->isEnabled());
        t.tick(1);
        QVERIFY(w.BtnPlay->isEnabled() && w.BtnDelete->isEnabled() && w.ChatPollAllowed);
        QVERIFY(!w.Library.GameRunning[0]);
    }

    void theDownloadBarMirrorsTheReadOut() {
        TMainForm &w = *t.form;
        // Hidden, the bar is left alone.
        w.ProgressValue = 50;
        t.tick();
        QCOMPARE(w.ProgressBarDownload->value(), 0.0f);

        w.DLText1->setText({});
        w.FormActivate();
        const QPoint placed = w.DLText1->pos();
        w.DLInfo->show();
        w.StatusLine = "Downloading:      Ember Hollow";
        w.SizeLine = "Size: (447 MB)       Downloaded: (100 MB)";
        w.SpeedLine = "Download speed: 12 MB/s";
        w.RemainLine = "Remain: 40 sec.";
        // The value is set before the maximum: the first tick after a larger maximum reads the value
        // clamped by the old one (100), the next one is exact.
        for (const auto &[value, maximum, first, then] :
             {std::tuple{4096.0, 4096.0, u"2%"_s, u"100%"_s}, std::tuple{2.0, 3.0, u"66%"_s, u"66%"_s}}) {
            w.ProgressValue = value;
            w.ProgressMax = maximum;
            t.tick();
            QCOMPARE(w.LabelPerc->text(), first);
            t.tick();
            QCOMPARE(w.LabelPerc->text(), then);
        }
        QCOMPARE(w.LabelGlobalSpeed->text(), u"Downloading:      Ember Hollow"_s);
        QCOMPARE(w.DLText2->text(), u"Download speed: 12 MB/s"_s);
        QCOMPARE(w.DLText3->text(), u"Remain: 40 sec."_s);
        QCOMPARE(w.LabelPerc->x(), int(w.ProgressBarDownload->width() * 0.5f - w.LabelPerc->width() / 2.0f));
        // A longer read-out widens its label where it was placed, and a shorter one keeps the width.
        QVERIFY(w.DLText1->width() >= QFontMetricsF(w.DLText1->font()).horizontalAdvance(w.DLText1->text()));
        QCOMPARE(w.DLText1->pos(), placed);
        const int wide = w.DLText1->width();
        w.SizeLine = "Size: (1 MB)";
        t.tick();
        QCOMPARE(w.DLText1->width(), wide);
    }

    void theWindowFollowsTheDragUntilRelease() {
        TMainForm &w = *t.form;
        w.move(100, 80);
        t.pointer = PointerState{QPoint(300, 95), true, true};
        QTest::mousePress(w.StatusPanel, Qt::LeftButton);
        QVERIFY(w.DragActive);
        t.pointer = PointerState{QPoint(420, 160), true, true};
        t.tick();
        QCOMPARE(w.pos(), QPoint(220, 145));
        // Released: one last move to where the pointer is, then the window stays.
        t.pointer = PointerState{QPoint(430, 170), false, true};
        t.tick();
        QCOMPARE(w.pos(), QPoint(230, 155));
        QVERIFY(!w.DragActive);
        t.pointer = PointerState{QPoint(600, 400), false, true};
        t.tick();
        QCOMPARE(w.pos(), QPoint(230, 155));

        // Background surfaces start a drag (the memo on its viewport); buttons and fields do not.
        for (QWidget *widget : Widgets{w.PanelStore, w.NewsMemo->viewport(), w.BtnHome, w.EMailEdit}) {
            w.DragActive = false;
            QTest::mousePress(widget, Qt::LeftButton);
            QCOMPARE(w.DragActive, widget != w.BtnHome && widget != w.EMailEdit);
            QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(-5, -5));
        }
    }

    void keysOfTheWindow() {
        TMainForm &w = *t.form;
        // Alt+F9 toggles the first game's listing, even before a login.
        const bool listed = w.Library.ListedInShop[0];
        QTest::keyClick(w.EMailEdit, Qt::Key_F9, Qt::AltModifier);
        QCOMPARE(w.Library.ListedInShop[0], !listed);
        QVERIFY(!w.PanelStore->isHidden() && w.LogInForm->isHidden());

        // Enter opens the chat input, Esc drops what was typed; not while a game pauses the chat.
        QTest::keyClick(&w, Qt::Key_Return);
        QVERIFY(!w.ChatPanel->isHidden() && !w.ChatEdit->isHidden());
        QTest::keyClicks(w.ChatEdit, u"/join"_s);
        QTest::keyClick(w.ChatEdit, Qt::Key_Escape);
        QVERIFY(w.ChatEdit->text().isEmpty());
        w.ChatPanel->setTag(0);
        w.ChatPanel->hide();
        w.ChatPollAllowed = false;
        QTest::keyClick(&w, Qt::Key_Enter);
        QVERIFY(w.ChatPanel->isHidden());
    }

    void theExitSequenceRunsOnceAndEndsTheProgram() {
        TMainForm &w = *t.form;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.EngineTimer->start();
        w.UserName = "Mira";
        w.CheckBoxSave->setChecked(true);
        w.AccountEmail = "mira@example.org";
        w.AccountPassword = "pa ss~word";
        QVERIFY(QFile::remove(t.path(u"Quillbarrow.dat"_s)) && QFile::remove(t.path(u"config.dat"_s)));

        // A close request from outside starts it and is refused; the window stays until the end.
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!w.close());
        QVERIFY(w.Exiting() && w.isVisible() && w.AppEndTimer->isActive());
        QCOMPARE(t.sounds->lastPlayed(), u"SndBtnClickExit"_s);
        QCOMPARE(linesContaining(w.ChatAll, u"Bye bye Mira..."_s), 1);
        for (QTimer *stopped : {w.EngineTimer, w.ADSTimer, w.NewsTimer, w.CheckServerTO, w.ChatTO})
            QVERIFY2(!stopped->isActive(), qPrintable(stopped->objectName()));
        // Both tables are on disk already.
        QVERIFY(QFile::exists(t.path(u"config.dat"_s)));
        StringGrid login;
        const SavedLoginLoad saved = loadSavedLoginTable(login, t.folder.path());
        QVERIFY(saved.login.saved);
        QCOMPARE(saved.login.password, u"pa ss~word"_s);

        // Further requests during the wait change nothing and do not restart it.
        QTest::qWait(500);
        w.BtnExitClick();
        QTest::keyClick(&w, Qt::Key_F4, Qt::AltModifier);
        QVERIFY(!w.close());
        QVERIFY(w.AppEndTimer->remainingTime() <= 1000);
        QCOMPARE(linesContaining(w.ChatAll, u"Bye bye"_s), 1);
        QVERIFY(w.ResourceLibrary2.isLoaded());

        QTRY_COMPARE_WITH_TIMEOUT(t.exitCodes, QList<int>{0}, 20000);
        QVERIFY2(clock.elapsed() >= 1490, qPrintable(QString::number(clock.elapsed())));
        // The voice was stopped before its bundle went.
        QVERIFY(t.sounds->playing().isEmpty());
        QVERIFY(!w.ResourceLibrary1.isLoaded() && !w.ResourceLibrary2.isLoaded());
    }
};

QTEST_MAIN(EngineTickTest)
#include "EngineTickTest.moc"
