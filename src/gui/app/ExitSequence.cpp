// Leaving the launcher: the exit sequence, run once, and the final shutdown 1.5 s later.
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"

#include <QTimer>

void TMainForm::BtnExitClick() {
    // A second request while the window waits for its end would save the tables again and restart
    // the wait; the first one stands.
    if (m_exiting)
        return;
    m_exiting = true;
    PlayExit();

    ADSTimer->stop();
    NewsTimer->stop();
    ChatSay("Bye bye " + UserName + "...");
    PostLogOff();
    EngineTimer->stop();
    CheckServerTO->stop();
    ChatTO->stop();
    ServerCheckIdle = false;
    ChatIdle = false;
    // The bundles stay loaded until the final shutdown: the exit cue is still playing from the
    // sound bundle, and the window may still repaint or navigate meanwhile.
    SaveSavedLogin();
    SaveSettings();
    AppEndTimer->start();
}

void TMainForm::AppEndTimerTimer() {
    AppEndTimer->stop();
    // The close request is refused like any other; what it would have stopped is stopped here.
    FormClose();
    ReleaseResourceLibraries();
    if (m_deps.terminate)
        m_deps.terminate(0);
}

void TMainForm::FormClose() {
    // An archive still coming out is left where it is; the game stays as it was.
    ExtractionStop = true;
    if (!DownloadIdle)
        CleanUpOnClose();
}
