#include "platform/SingleInstanceLock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Child mode: takes the lock, says so, optionally starts a long-running program (as the launcher starts
// a game), then holds the lock until stdin closes.
int holdLock(const QString &folder, bool startProgram) {
    SingleInstanceLock lock(u"Quillbarrow-App"_s, folder);
    const bool held = lock.tryAcquire();
    qint64 pid = 0;
    if (held && startProgram)
        QProcess::startDetached(u"sleep"_s, {u"120"_s}, {}, &pid);
    std::printf("%s %lld\n", held ? "held" : "refused", static_cast<long long>(pid));
    std::fflush(stdout);
    char buffer[64];
    while (::read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
    }
    return held ? 0 : 1;
}

} // namespace

class SingleInstanceLockTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // The holder's first line: "held PID" or "refused 0".
    QList<QByteArray> startHolder(QProcess &process, bool startProgram = false) {
        process.start(QCoreApplication::applicationFilePath(),
                      {u"--hold-lock"_s, m_dir.path(), startProgram ? u"--start"_s : QString()});
        QDeadlineTimer deadline(30000);
        while (!process.canReadLine() && !deadline.hasExpired())
            process.waitForReadyRead(100);
        return process.readLine().trimmed().split(' ');
    }

private Q_SLOTS:
    // Also in the same process; a folder where no lock file can be made fails with a message.
    void secondLockIsRefused() {
        auto first = std::make_unique<SingleInstanceLock>(u"Quillbarrow-App"_s, m_dir.path());
        SingleInstanceLock second(u"Quillbarrow-App"_s, m_dir.path());
        QVERIFY(first->tryAcquire());
        QVERIFY(first->tryAcquire()); // asking again while holding it changes nothing
        QVERIFY(!second.tryAcquire());
        QCOMPARE(second.state(), SingleInstanceLock::State::TakenByOther);
        QVERIFY(SingleInstanceLock(u"Other-App"_s, m_dir.path()).tryAcquire());
        first.reset();
        QVERIFY(second.tryAcquire());

        QVERIFY(QFile(m_dir.filePath(u"plain-file"_s)).open(QIODevice::WriteOnly));
        SingleInstanceLock unusable(u"Quillbarrow-App"_s, m_dir.filePath(u"plain-file/sub"_s));
        QVERIFY(!unusable.tryAcquire() && !unusable.errorString().isEmpty());
        QCOMPARE(unusable.state(), SingleInstanceLock::State::Failed);
    }

    void anotherProcessSeesItTakenUntilTheHolderExits() {
        QProcess holder;
        QCOMPARE(startHolder(holder).value(0), QByteArray("held"));
        SingleInstanceLock lock(u"Quillbarrow-App"_s, m_dir.path());
        QVERIFY(!lock.tryAcquire());
        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished(30000));
        QVERIFY(lock.tryAcquire());

        QProcess latecomer;
        QCOMPARE(startHolder(latecomer).value(0), QByteArray("refused"));
        latecomer.closeWriteChannel();
        QVERIFY(latecomer.waitForFinished(30000));
    }

    // SIGKILL runs no destructor; a program the holder started lives on without keeping the lock.
    void killedHolderLeavesNoLockBehind() {
        QProcess holder;
        const QList<QByteArray> said = startHolder(holder, true);
        QCOMPARE(said.value(0), QByteArray("held"));
        const pid_t program = said.value(1).toInt();
        QVERIFY(program > 0);
        auto cleanup = qScopeGuard([program] { ::kill(program, SIGKILL); });
        SingleInstanceLock lock(u"Quillbarrow-App"_s, m_dir.path());
        QVERIFY(!lock.tryAcquire());
        holder.kill();
        QVERIFY(holder.waitForFinished(30000));
        QCOMPARE(::kill(program, 0), 0);
        QVERIFY(lock.tryAcquire());
    }
};

int main(int argc, char **argv) {
    if (argc >= 3 && qstrcmp(argv[1], "--hold-lock") == 0)
        return holdLock(QFile::decodeName(argv[2]), argc >= 4 && qstrcmp(argv[3], "--start") == 0);
    QCoreApplication app(argc, argv);
    SingleInstanceLockTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SingleInstanceLockTest.moc"
