#pragma once

#include "gui/app/MainForm.h"
#include "platform/ManualTickClock.h"
#include "platform/SoundPlayer.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QScopeGuard>
#include <QSet>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>

class RunningService;

using Widgets = std::initializer_list<QWidget *>;

// The real main window in a temporary launcher folder holding copies of the built bundles and of the
// launcher (for its version), with a clock that moves only when the test says, and message boxes,
// pointer, window lookup, web addresses, free space and the program's end answered by the test.
class TestWindow {
public:
    // The built bundles and launcher in the folder; false when they are missing.
    [[nodiscard]] bool copyFiles();
    MainFormDependencies dependencies();
    // Starts the window with its engine timer stopped; false (with a warning) when it did not come up.
    // display: the X server whose windows the game watch sees (by default it sees openWindows).
    [[nodiscard]] bool start();

    // A login set by hand is no session of the service's: its server check and chat poll would answer
    // it with a log-out, so they are left out.
    void logInByHand();
    // A server check; a login through the window's own form, true when it was granted.
    [[nodiscard]] bool serverCheck();
    [[nodiscard]] bool logIn(const QString &email, const QString &password);
    // One 500 ms slot of the engine tick and the chat reply it brought.
    [[nodiscard]] bool chatRound();

    // One engine tick `ms` later on the window's clock.
    void tick(quint32 ms = 31);
    // Ticks (with the events due in between) until done() holds; false when it did not in time.
    [[nodiscard]] bool tickUntil(const std::function<bool()> &done, int timeoutMs = 30000);
    void navigate(quint16 panel);
    // Opens the game's detail panel from `from`, as a click on its card does.
    void select(qint16 game, quint16 from = 3);

    // The built demo game's executable in Games/<folder>/, as an installation leaves it.
    [[nodiscard]] bool installGame(int game) const;
    [[nodiscard]] QString exePath(int game) const;
    [[nodiscard]] QString path(const QString &name) const { return folder.filePath(name); }
    [[nodiscard]] QString chat() const;
    // The picture the bundle holds under this name, as the window would show it; null when none.
    [[nodiscard]] QImage picture(QByteArrayView name) const;

    QString serviceUrl = QStringLiteral("https://service.invalid:8443");
    QByteArray display;
    QTemporaryDir folder;
    ManualTickClock *clock = nullptr; // owned by the window
    SoundPlayer *sounds = nullptr;    // owned by the window
    QStringList messages;
    std::optional<PointerState> pointer;
    QSet<QByteArray> openWindows;
    QList<QUrl> opened;
    QList<int> exitCodes;
    std::optional<qint64> freeBytes = qint64(1) << 50;
    // Last word on the window's dependencies before it starts.
    std::function<void(MainFormDependencies &)> adjust;
    std::unique_ptr<TMainForm> form; // last: its hooks point into the members above
};

// The reference service serving on a loopback port, with room for many test logins; empty on success.
[[nodiscard]] QString startTestService(RunningService &service);
[[nodiscard]] QString serviceUrl(const RunningService &service);
// The folder nginx serves /download/ from.
[[nodiscard]] QString downloadDir(const RunningService &service);
// An admin command of the service; false (with a warning) when it failed.
[[nodiscard]] bool admin(const RunningService &service, const QStringList &arguments);

// Programs as processes, found by /proc.
QList<qint64> processesOf(const QString &executable);
QList<QByteArray> argumentsOf(qint64 pid);
// Until the guard ends, programs this process starts open their windows on this X display.
[[nodiscard]] QScopeGuard<std::function<void()>> childrenOnDisplay(const QByteArray &display);
