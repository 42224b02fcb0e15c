#include "TestPulseServer.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

TestPulseServer::TestPulseServer() = default;

TestPulseServer::~TestPulseServer() {
    if (Daemon.state() != QProcess::NotRunning) {
        Daemon.terminate();
        if (!Daemon.waitForFinished(5000)) {
            Daemon.kill();
            Daemon.waitForFinished(5000);
        }
    }
}

QString TestPulseServer::address() const {
    return QStringLiteral("unix:") + Folder.filePath(QStringLiteral("native"));
}

QProcessEnvironment TestPulseServer::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), Folder.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), Folder.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), Folder.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), Folder.filePath(QStringLiteral("run")));
    env.insert(QStringLiteral("PULSE_STATE_PATH"), Folder.filePath(QStringLiteral("state")));
    env.insert(QStringLiteral("PULSE_SERVER"), address());
    return env;
}

QString TestPulseServer::start() {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    if (daemon.isEmpty())
        return QStringLiteral("pulseaudio is not installed");
    if (!Folder.isValid())
        return QStringLiteral("no temporary folder");
    Daemon.setProcessEnvironment(environment());
    Daemon.setProcessChannelMode(QProcess::MergedChannels);
    // -n: none of the system's default modules, only the two below. --system=no and
    // --disallow-exit keep a daemon started by root in this private, per-test mode.
    Daemon.start(daemon,
                 {QStringLiteral("--daemonize=no"), QStringLiteral("--system=no"), QStringLiteral("-n"),
                  QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--disallow-exit"),
                  QStringLiteral("--use-pid-file=no"), QStringLiteral("--log-target=stderr"),
                  QStringLiteral("--load=module-null-sink sink_name=qbnull"),
                  QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=") +
                      Folder.filePath(QStringLiteral("native"))});
    if (!Daemon.waitForStarted(10000))
        return QStringLiteral("pulseaudio did not start: ") + Daemon.errorString();
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        if (Daemon.state() == QProcess::NotRunning)
            return QStringLiteral("pulseaudio stopped: ") + QString::fromLocal8Bit(Daemon.readAll());
        if (QFileInfo::exists(Folder.filePath(QStringLiteral("native")))) {
            QProcess info;
            info.setProcessEnvironment(environment());
            info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
            if (info.waitForFinished(5000) && info.exitCode() == 0 && info.readAll().contains("qbnull"))
                return {};
        }
        QThread::msleep(50);
    }
    return QStringLiteral("pulseaudio did not answer: ") + QString::fromLocal8Bit(Daemon.readAll());
}
