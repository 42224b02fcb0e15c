#pragma once

#include "MainFormFixture.h"
#include "RunningService.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

// A launcher window in a temporary folder, talking to the real reference service started for the
// test, with the engine tick driven by the test: each tick is 31 ms later on the window's clock.
class ServedWindow {
public:
    // Starts the service (init + serve); empty on success.
    static QString startService(RunningService &service);
    static QString baseUrl(const RunningService &service);
    // The folder nginx serves /download/ from.
    static QString downloadDir(const RunningService &service);

    // The window with its skin, the launcher's own executable (so its version matches the one the
    // service announces) and the message dialog, against the service at baseUrl. Free space as the
    // freeBytes hook answers (plenty unless set). False with a warning when it could not start.
    // online: the server check and the chat poll run with the ticks (for a real login); without it
    // they are left out, for tests that set the login by hand.
    [[nodiscard]] bool start(const QString &baseUrl, bool online = false);
    // A server check, then a login through the window's own form; true when it was granted.
    [[nodiscard]] bool logIn(const QString &email, const QString &password);

    // One engine tick, then the events that are due.
    void tick();
    // Ticks until done() holds; false when it did not within the time.
    [[nodiscard]] bool tickUntil(const std::function<bool()> &done, int timeoutMs = 30000);
    // Everything the chat panel shows.
    [[nodiscard]] QString chat() const;
    [[nodiscard]] QString workingPath(const QString &relative) const { return fixture.path(relative); }
    // Selects a game and shows its detail panel, as a click on its card does.
    void selectGame(qint16 game);

    MainFormFixture fixture;
    std::optional<qint64> freeBytes = qint64(1) << 50;
    TMainForm *form = nullptr;
};

// Archives written for the tests with libzip; names are stored exactly as given.
struct ArchiveEntry {
    QByteArray name;
    QByteArray data;
    bool folder = false;
    int mode = 0644;
};
[[nodiscard]] bool writeArchive(const QString &path, const std::vector<ArchiveEntry> &entries);
// Adds a stored entry to an existing archive.
[[nodiscard]] bool addToArchive(const QString &path, const ArchiveEntry &entry);
[[nodiscard]] QByteArray randomBytes(qsizetype size);
