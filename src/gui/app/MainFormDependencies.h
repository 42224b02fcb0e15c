#pragma once

#include "platform/PointerState.h"
#include "platform/TickClock.h"
#include "platform/UrlOpener.h"

#include <QByteArray>
#include <QMessageBox>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class SoundPlayer;

// What the main window takes from outside: the real things by default, replaceable by tests before
// FormCreate runs.
struct MainFormDependencies {
    // Shows a message box and returns the button pressed; tests answer it themselves.
    using MessageBoxHook = std::function<QMessageBox::StandardButton(
        QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
        QMessageBox::StandardButtons buttons)>;

    // Where the launcher writes: tables, Temp and Games are found below it.
    QString workingFolder;
    // Where the executable and its bundles are; the working folder when empty.
    QString programFolder;
    // The launcher owns its files and may replace them through its setup program; a packaged one
    // leaves that to the system's package manager.
    bool portable = true;
    // HTTPS address of the online service without a trailing slash.
    QString serviceBaseUrl;
    std::unique_ptr<TickClock> clock;
    std::unique_ptr<UrlOpener> urlOpener;
    MessageBoxHook messageBox;
    // Where the pointer is and whether the left button is down, wherever the pointer is.
    std::function<std::optional<PointerState>()> pointer;
    // Whether a top-level window with exactly this title exists.
    std::function<bool(const QByteArray &title)> windowExists;
    // Plays the cues; its voice outlives the sound bundle only as long as the window lets it.
    std::unique_ptr<SoundPlayer> sounds;
    // Free bytes an ordinary user may write on the file system holding the folder; none when no
    // file system answers.
    std::function<std::optional<qint64>(const QString &folder)> freeSpace;
    // Ends the message loop with this exit code.
    std::function<void(int exitCode)> terminate;

    // The real clock, browser, message boxes, X server, sound output and application loop, and the
    // service address this build was made for.
    [[nodiscard]] static MainFormDependencies standard(const QString &workingFolder);

    MainFormDependencies();
    ~MainFormDependencies();
    MainFormDependencies(MainFormDependencies &&) noexcept;
    MainFormDependencies &operator=(MainFormDependencies &&) noexcept;
};
