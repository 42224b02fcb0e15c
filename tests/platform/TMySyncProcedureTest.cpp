#include "platform/TMySyncProcedure.h"

#include <QByteArray>
#include <QEventLoop>
#include <QMutex>
#include <QObject>
#include <QStringList>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <climits>
#include <fcntl.h>
#include <memory>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace {

// Stands in for the window: methods of the shapes the download hands over.
class Receiver {
public:
    void ApplyProgress(int read, int speed, bool &abort) {
        thread = QThread::currentThread();
        reads.push_back(read);
        speeds.push_back(speed);
        abort = abortAnswer;
    }
    void Finished(const QByteArray &text) {
        thread = QThread::currentThread();
        texts.push_back(text);
    }

    QThread *thread = nullptr;
    bool abortAnswer = false;
    std::vector<int> reads;
    std::vector<int> speeds;
    std::vector<QByteArray> texts;
};

// Runs body on a new thread while this one serves events, as an owner ending a worker must.
bool runWorker(const std::function<void()> &body) {
    std::unique_ptr<QThread> worker(QThread::create(body));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    return worker->wait(60000);
}

// State letter of a thread of this process from /proc ('S' while it sleeps on a lock or semaphore).
char threadState(pid_t tid) {
    const QByteArray path = "/proc/self/task/" + QByteArray::number(tid) + "/stat";
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return '?';
    char buffer[512] = {};
    const ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    const QByteArray stat(buffer, n > 0 ? n : 0);
    const qsizetype close = stat.lastIndexOf(')');
    return close >= 0 && close + 2 < stat.size() ? stat.at(close + 2) : '?';
}

} // namespace

class TMySyncProcedureTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void runsOnUiThreadWhileWorkerWaits() {
        QObject context;
        Receiver receiver;
        QMutex mutex;
        QStringList events;
        std::atomic<bool> posted{false};
        std::atomic<bool> returned{false};
        bool ran = false;
        bool abort = false;

        std::unique_ptr<QThread> worker(QThread::create([&] {
            {
                QMutexLocker lock(&mutex);
                events << QStringLiteral("worker before");
            }
            auto procedure = std::make_shared<TMySyncProcedure3<int, int, bool &>>(
                &receiver, &Receiver::ApplyProgress, INT_MAX, INT_MIN, abort);
            posted = true;
            ran = Synchronize(&context, procedure);
            returned = true;
            QMutexLocker lock(&mutex);
            events << QStringLiteral("worker after, abort %1").arg(abort);
        }));
        receiver.abortAnswer = true;
        worker->start();

        // This thread serves no events yet: the worker must stay inside Synchronize meanwhile.
        while (!posted)
            QThread::msleep(1);
        QThread::msleep(200);
        QVERIFY(!returned);
        QVERIFY(receiver.reads.empty());

        QEventLoop loop;
        QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
        if (!worker->isFinished())
            loop.exec();
        QVERIFY(worker->wait(60000));
        QVERIFY(ran);
        QCOMPARE(receiver.thread, QThread::currentThread());
        QCOMPARE(receiver.reads, std::vector<int>{INT_MAX});
        QCOMPARE(receiver.speeds, std::vector<int>{INT_MIN});
        QCOMPARE(events,
                 (QStringList{QStringLiteral("worker before"), QStringLiteral("worker after, abort 1")}));
    }

    void referenceArgumentCarriesTheAnswerBothWays() {
        QObject context;
        Receiver receiver;
        std::vector<bool> seen;
        QVERIFY(runWorker([&] {
            for (const bool answer : {false, true, false}) {
                bool abort = !answer; // the UI side must overwrite it
                Synchronize(&context, std::make_shared<TMySyncProcedure3<int, int, bool &>>(
                                          &receiver, &Receiver::ApplyProgress, 1, 2, abort));
                seen.push_back(abort);
                receiver.abortAnswer = !receiver.abortAnswer;
            }
        }));
        QCOMPARE(seen, (std::vector<bool>{false, true, false}));
    }

    void byteStringArrivesExactly() {
        QObject context;
        Receiver receiver;
        const QByteArray text("Gr\xc3\xbc\xc3\x9f\x65 \0 tail\xff", 15);
        std::weak_ptr<TThreadProcedure> watch;
        QVERIFY(runWorker([&] {
            QByteArray local = text;
            auto procedure =
                std::make_shared<TMySyncProcedure1<QByteArray>>(&receiver, &Receiver::Finished, local);
            watch = procedure;
            local.fill('x'); // captured by value: a later change must not reach the UI side
            Synchronize(&context, procedure);
        }));
        QCOMPARE(receiver.texts.size(), size_t(1));
        QCOMPARE(receiver.texts.front(), text);
        QCOMPARE(receiver.thread, QThread::currentThread());
        QVERIFY(watch.expired());
    }

    void onUiThreadRunsAtOnce() {
        QObject context;
        Receiver receiver;
        bool abort = false;
        receiver.abortAnswer = true;
        QVERIFY(Synchronize(&context, std::make_shared<TMySyncProcedure3<int, int, bool &>>(
                                          &receiver, &Receiver::ApplyProgress, 7, 8, abort)));
        // No event was served in between, so it can only have run directly.
        QVERIFY(abort);
        QCOMPARE(receiver.reads, std::vector<int>{7});
        QCOMPARE(receiver.thread, QThread::currentThread());
        QVERIFY(!Synchronize(nullptr, std::make_shared<TMySyncProcedure1<QByteArray>>(
                                          &receiver, &Receiver::Finished, QByteArray("x"))));
        QVERIFY(!Synchronize(&context, nullptr));
        QCOMPARE(receiver.texts.size(), size_t(0));
    }

    void manyCallsKeepTheirOrder() {
        QObject context;
        Receiver receiver;
        constexpr int count = 2000;
        QVERIFY(runWorker([&] {
            bool abort = false;
            for (int i = 0; i < count; ++i)
                Synchronize(&context, std::make_shared<TMySyncProcedure3<int, int, bool &>>(
                                          &receiver, &Receiver::ApplyProgress, i, -i, abort));
        }));
        QCOMPARE(int(receiver.reads.size()), count);
        for (int i = 0; i < count; ++i) {
            QCOMPARE(receiver.reads[size_t(i)], i);
            QCOMPARE(receiver.speeds[size_t(i)], -i);
        }
    }

    void deletingTheContextReleasesAWaitingWorker() {
        auto context = std::make_unique<QObject>();
        Receiver receiver;
        std::atomic<pid_t> tid{0};
        std::atomic<bool> returned{false};
        bool ran = true;
        std::weak_ptr<TThreadProcedure> watch;

        std::unique_ptr<QThread> worker(QThread::create([&] {
            auto procedure = std::make_shared<TMySyncProcedure1<QByteArray>>(&receiver, &Receiver::Finished,
                                                                             QByteArray("never"));
            watch = procedure;
            tid = pid_t(::syscall(SYS_gettid));
            ran = Synchronize(context.get(), procedure);
            returned = true;
        }));
        worker->start();

        // Wait until the worker has sat asleep for a while: then it is waiting for this thread.
        while (tid == 0)
            QThread::msleep(1);
        int asleep = 0;
        for (int i = 0; i < 4000 && asleep < 40; ++i) {
            asleep = threadState(tid) == 'S' ? asleep + 1 : 0;
            QThread::msleep(5);
        }
        QCOMPARE(asleep, 40);
        QVERIFY(!returned);

        context.reset();
        QVERIFY(worker->wait(20000));
        QVERIFY(!ran);
        QVERIFY(receiver.texts.empty());
        QVERIFY(watch.expired());
    }
};

QTEST_GUILESS_MAIN(TMySyncProcedureTest)
#include "TMySyncProcedureTest.moc"
