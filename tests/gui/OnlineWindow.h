#pragma once

#include "MainFormFixture.h"

#include <QList>
#include <QString>
#include <QUrl>

class RunningService;

// A launcher window (skin, launcher executable for its version) pointed at a running reference
// service, with the engine tick run by the test and the web addresses it opens captured.
class OnlineWindow {
public:
    explicit OnlineWindow(const RunningService &service);

    // init with room for many test logins and at most maxClients sessions, then serve. Empty on
    // success, else why not.
    [[nodiscard]] static QString startService(RunningService &service, int maxClients);

    // False (with a warning saying why) when the window did not come up.
    [[nodiscard]] bool start();
    TMainForm &form() { return *fixture.form; }

    // Moves the clock on and runs one engine tick.
    void tick(quint32 milliseconds);
    // Posts a server check now and waits for its reply or its watchdog.
    [[nodiscard]] bool serverCheck();
    // Types the credentials, clicks "Log In" and waits for any reply; true when the login was granted.
    [[nodiscard]] bool logIn(const QString &email, const QString &password);
    // One 500 ms slot of the engine tick and the chat reply it brought.
    [[nodiscard]] bool chatRound();
    // The chat log as shown.
    [[nodiscard]] QString chatLog() const;

    MainFormFixture fixture;
    QList<QUrl> opened;

private:
    QString m_baseUrl;
};
