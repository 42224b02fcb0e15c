// The 15 ms engine tick: four periodic jobs on one timer, each due when enough milliseconds passed
// since its last run. Differences of the 32-bit tick count are taken unsigned, so the scheme holds
// across the count's wrap-around.
#include "core/GameCatalogue.h"
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"
#include "gui/controls/ProgressBar.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtMath>

namespace {

enum Slot { DragAndFinishing, ServerCheck, GameWindowWatch, LoginAndChat };

QByteArray windowTitleOf(qint16 game) {
    if (game < 0 || std::size_t(game) >= GameCount)
        return {};
    const std::string_view title = GameCatalogue()[std::size_t(game)].WindowTitle;
    return QByteArray(title.data(), qsizetype(title.size()));
}

// The read-out labels get their size from their text when the layout runs, usually while they are
// still empty; a longer text widens its label in place so that it is never cut off.
void showReadout(QLabel *label, const QByteArray &text) {
    const QString shown = QString::fromUtf8(text);
    if (label->text() == shown)
        return;
    label->setText(shown);
    const QSizeF needed = QFontMetricsF(label->font()).size(0, shown) + QSizeF(2, 2);
    const QSize grown(qMax(label->width(), qCeil(needed.width())),
                      qMax(label->height(), qCeil(needed.height())));
    if (grown != label->size())
        label->resize(grown);
}

} // namespace

void TMainForm::EngineTimerTimer() {
    const quint32 now = m_deps.clock->now();

    EngineSlot &a = EngineSlots[DragAndFinishing];
    if (ticksBetween(a.lastRun, now) >= a.period) {
        EngineSlotA(now, a.lastRun);
        // Set before the finishing step, which may take its time.
        a.lastRun = now;
        // By what the download was for, fixed when it started: the button modes may meanwhile show
        // another game, and BtnUpdate may be visible while a game update finishes.
        if (PendingJob == 1) {
            if (DownloadJobPurpose == DownloadPurpose::LauncherSetup)
                FinishSelfUpdate();
            else if (DownloadJobPurpose == DownloadPurpose::GameInstall)
                FinishInstall();
            else
                FinishUpdate();
        }
        if (PendingJob == 3)
            FinishRemoval();
    }

    EngineSlot &b = EngineSlots[ServerCheck];
    if (ticksBetween(b.lastRun, now) >= b.period) {
        b.lastRun = now;
        PostServerCheck();
    }

    EngineSlot &c = EngineSlots[GameWindowWatch];
    if (ticksBetween(c.lastRun, now) >= c.period) {
        c.lastRun = now;
        EngineSlotC();
    }

    EngineSlot &d = EngineSlots[LoginAndChat];
    if (ticksBetween(d.lastRun, now) >= d.period) {
        d.lastRun = now;
        EngineSlotD();
    }
}

void TMainForm::EngineSlotA(quint32 now, quint32 lastRun) {
    if (DragActive) {
        const std::optional<PointerState> pointer = m_deps.pointer ? m_deps.pointer() : std::nullopt;
        // Without an answer about the button the drag cannot know when to stop, so it stops now.
        if (!pointer || !pointer->leftButtonDown)
            DragActive = false;
        if (pointer)
            move(pointer->position.x() - DragOffsetX, pointer->position.y() - DragOffsetY);
    }
    if (InstallTimer->isActive()) {
        ActivityClockMs += ticksBetween(lastRun, now);
        ProgressValue = ActivityClockMs;
    }
    if (!DLInfo->isHidden())
        MirrorDownloadBar();
}

void TMainForm::MirrorDownloadBar() {
    showReadout(LabelGlobalSpeed, StatusLine);
    showReadout(DLText1, SizeLine);
    showReadout(DLText2, SpeedLine);
    showReadout(DLText3, RemainLine);
    ProgressBarDownload->setValue(float(ProgressValue));
    ProgressBarDownload->setMaximum(float(ProgressMax));
    // Read back after the bar kept the value in range.
    const float value = ProgressBarDownload->value();
    const float maximum = ProgressBarDownload->maximum();
    ProgressPercent = value == 0 ? 0 : qint32(value / maximum * 100);
    LabelPerc->setText(QString::number(ProgressPercent) + u'%');
    LabelPerc->move(int(ProgressBarDownload->width() * 0.5f - LabelPerc->width() / 2.0f), LabelPerc->y());
}

void TMainForm::EngineSlotC() {
    const QByteArray title = windowTitleOf(SelectedGame);
    // With no game selected there is no window to look for, and no walk of the X server's windows.
    const bool found = !title.isEmpty() && m_deps.windowExists && m_deps.windowExists(title);
    if (SelectedGame >= 0 && std::size_t(SelectedGame) < GameCount)
        Library.GameRunning[std::size_t(SelectedGame)] = found;
    BtnPlay->setEnabled(!found);
    BtnDelete->setEnabled(!found);
    // The two games that need the whole connection pause the chat while they run.
    ChatPollAllowed = !(found && (title == windowTitleOf(0) || title == windowTitleOf(1)));
}

void TMainForm::EngineSlotD() {
    if (ServerState == "ON" && !LoggedIn && AutoLoginArmed)
        BtnLogInClick();
    if (LoggedIn && ChatPollAllowed) {
        if (!ChatSendPending) {
            ChatCommand = "CheckChat";
            ChatChannel = "Global";
            ChatText.clear();
            ChatWhisperTo.clear();
        }
        PostChat();
    }
}
