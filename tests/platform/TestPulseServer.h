#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A private PulseAudio daemon for one test: one null sink whose monitor records what is played.
// It runs in a temporary folder with its own socket, so it neither needs nor disturbs a session.
class TestPulseServer {
public:
    TestPulseServer();
    ~TestPulseServer();
    TestPulseServer(const TestPulseServer &) = delete;
    TestPulseServer &operator=(const TestPulseServer &) = delete;

    // Empty on success, otherwise why the daemon could not be started.
    QString start();
    // The address for PULSE_SERVER.
    QString address() const;
    QString monitor() const { return QStringLiteral("qbnull.monitor"); }
    QProcessEnvironment environment() const;

private:
    QTemporaryDir Folder;
    QProcess Daemon;
};
