#include "platform/SingleInstanceLock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

// Child mode: take the lock, report, optionally start a long-running program, then hold the lock
// until stdin closes.
int holdLock(const QString &folder, bool startSleeper) {
    SingleInstanceLock lock(QStringLiteral("Quillbarrow-App"), folder);
    const bool held = lock.tryAcquire();
    std::printf("%s\n", held ? "held" : "refused");
    if (held && startSleeper) {
        QProcess sleeper;
        sleeper.setProgram(QStringLiteral("sleep"));
        sleeper.setArguments({QStringLiteral("120")});
        sleeper.setStandardInputFile(QProcess::nullDevice());
        sleeper.setStandardOutputFile(QProcess::nullDevice());
        sleeper.setStandardErrorFile(QProcess::nullDevice());
        qint64 pid = 0;
        if (!sleeper.startDetached(&pid))
            pid = 0;
        std::printf("%lld\n", static_cast<long long>(pid));
    }
    std::fflush(stdout);
    char buffer[64];
    while (::read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
    }
    return held ? 0 : 1;
}

QByteArray readLine(QProcess &process) {
    QDeadlineTimer deadline(30000);
    while (!process.canReadLine() && !deadline.hasExpired())
        process.waitForReadyRead(100);
    return process.readLine().trimmed();
}

} // namespace

class SingleInstanceLockTest : public QObject {
    Q_OBJECT

public:
    explicit SingleInstanceLockTest(QString self)
        : m_self(std::move(self)) {}

private Q_SLOTS:
    void secondLockInTheSameProcessIsRefused() {
        QTemporaryDir dir;
        auto first = std::make_unique<SingleInstanceLock>(QStringLiteral("Quillbarrow-App"), dir.path());
        SingleInstanceLock second(QStringLiteral("Quillbarrow-App"), dir.path());
        SingleInstanceLock otherName(QStringLiteral("Other-App"), dir.path());

        QVERIFY(first->tryAcquire());
        QCOMPARE(first->state(), SingleInstanceLock::State::Held);
        QVERIFY(first->tryAcquire()); // asking again while holding it changes nothing
        QVERIFY(!second.tryAcquire());
        QCOMPARE(second.state(), SingleInstanceLock::State::TakenByOther);
        QVERIFY(second.errorString().isEmpty());
        QVERIFY(otherName.tryAcquire());

        first.reset();
        QVERIFY(second.tryAcquire());
        QCOMPARE(second.lockFilePath(), dir.filePath(QStringLiteral("Quillbarrow-App.lock")));
    }

    void anotherProcessSeesItTakenUntilTheHolderExits() {
        QTemporaryDir dir;
        QProcess holder;
        startHolder(holder, dir.path(), false);
        QCOMPARE(readLine(holder), QByteArray("held"));

        SingleInstanceLock lock(QStringLiteral("Quillbarrow-App"), dir.path());
        QVERIFY(!lock.tryAcquire());
        QCOMPARE(lock.state(), SingleInstanceLock::State::TakenByOther);

        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished(30000));
        QCOMPARE(holder.exitStatus(), QProcess::NormalExit);
        QCOMPARE(holder.exitCode(), 0);
        QVERIFY(lock.tryAcquire());

        // And now the other direction: a second process is refused while we hold it.
        QProcess latecomer;
        startHolder(latecomer, dir.path(), false);
        QCOMPARE(readLine(latecomer), QByteArray("refused"));
        latecomer.closeWriteChannel();
        QVERIFY(latecomer.waitForFinished(30000));
        QCOMPARE(latecomer.exitCode(), 1);
    }

    void killedHolderLeavesNoStaleLock() {
        QTemporaryDir dir;
        QProcess holder;
        startHolder(holder, dir.path(), false);
        QCOMPARE(readLine(holder), QByteArray("held"));
        SingleInstanceLock lock(QStringLiteral("Quillbarrow-App"), dir.path());
        QVERIFY(!lock.tryAcquire());

        holder.kill(); // SIGKILL: no destructor runs
        QVERIFY(holder.waitForFinished(30000));
        QCOMPARE(holder.exitStatus(), QProcess::CrashExit);
        QVERIFY(lock.tryAcquire());
    }

    void programsStartedByTheHolderDoNotKeepIt() {
        QTemporaryDir dir;
        QProcess holder;
        startHolder(holder, dir.path(), true);
        QCOMPARE(readLine(holder), QByteArray("held"));
        const pid_t sleeper = readLine(holder).toInt();
        QVERIFY(sleeper > 0);
        auto cleanup = qScopeGuard([sleeper] { ::kill(sleeper, SIGKILL); });

        holder.kill();
        QVERIFY(holder.waitForFinished(30000));
        QCOMPARE(::kill(sleeper, 0), 0); // still running, yet the lock is free
        SingleInstanceLock lock(QStringLiteral("Quillbarrow-App"), dir.path());
        QVERIFY(lock.tryAcquire());
    }

    void unusableFolderFailsWithAMessage() {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("plain-file")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        SingleInstanceLock lock(QStringLiteral("Quillbarrow-App"), file.fileName() + QStringLiteral("/sub"));
        QVERIFY(!lock.tryAcquire());
        QCOMPARE(lock.state(), SingleInstanceLock::State::Failed);
        QVERIFY(!lock.errorString().isEmpty());
    }

    void defaultFolderIsTheRuntimeFolder() {
        QTemporaryDir dir;
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        const bool wasSet = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
        auto restore = qScopeGuard([&] {
            if (wasSet)
                qputenv("XDG_RUNTIME_DIR", saved);
            else
                qunsetenv("XDG_RUNTIME_DIR");
        });
        SingleInstanceLock lock;
        QCOMPARE(lock.lockFilePath(), dir.filePath(QStringLiteral("Quillbarrow-App.lock")));
        QVERIFY(lock.tryAcquire());
        QVERIFY(QFile::exists(lock.lockFilePath()));
    }

private:
    void startHolder(QProcess &process, const QString &folder, bool startSleeper) {
        QStringList arguments{QStringLiteral("--hold-lock"), folder};
        if (startSleeper)
            arguments << QStringLiteral("--start-sleeper");
        process.start(m_self, arguments);
        QVERIFY(process.waitForStarted(30000));
    }

    QString m_self;
};

int main(int argc, char **argv) {
    if (argc >= 3 && qstrcmp(argv[1], "--hold-lock") == 0)
        return holdLock(QFile::decodeName(argv[2]), argc >= 4 && qstrcmp(argv[3], "--start-sleeper") == 0);
    QCoreApplication app(argc, argv);
    SingleInstanceLockTest test(QCoreApplication::applicationFilePath());
    return QTest::qExec(&test, argc, argv);
}

#include "SingleInstanceLockTest.moc"
