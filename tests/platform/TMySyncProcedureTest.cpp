#include "platform/TMySyncProcedure.h"

#include <QEventLoop>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <climits>
#include <vector>

namespace {

// Stands in for the window: a method of the shape the download hands over.
struct Receiver {
    void ApplyProgress(int read, const QByteArray &text, bool &abort) {
        threads.push_back(QThread::currentThread());
        reads.push_back(read);
        texts.push_back(text);
        abort = abortAnswer;
    }

    bool abortAnswer = false;
    std::vector<QThread *> threads;
    std::vector<int> reads;
    std::vector<QByteArray> texts;
};

using Progress = TMySyncProcedure3<int, QByteArray, bool &>;

// Runs body on a new thread while this one serves events, as an owner ending a worker must.
bool runWorker(const std::function<void()> &body, const std::function<void()> &meanwhile = {}) {
    std::unique_ptr<QThread> worker(QThread::create(body));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    worker->start();
    if (meanwhile)
        meanwhile();
    if (!worker->isFinished())
        loop.exec();
    return worker->wait(60000);
}

} // namespace

class TMySyncProcedureTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The worker waits inside Synchronize until the UI thread serves events; values go over as they were
    // when the call was made, the reference argument carries the answer back; calls keep their order.
    void runsOnTheUiThreadWhileTheWorkerWaits() {
        QObject context;
        Receiver receiver;
        std::vector<bool> answers;
        std::atomic<int> returned = 0;
        QVERIFY(runWorker(
            [&] {
                for (int i = 0; i < 1000; ++i) {
                    bool abort = i % 2 == 0; // the UI side must overwrite it
                    QByteArray text("Gr\xc3\xbc\xc3\x9f\x65 \0 tail\xff", 15);
                    auto procedure = std::make_shared<Progress>(&receiver, &Receiver::ApplyProgress,
                                                                i ? i : INT_MIN, text, abort);
                    text.fill('x');
                    if (Synchronize(&context, procedure))
                        answers.push_back(abort);
                    ++returned;
                }
            },
            [&] {
                QTest::qSleep(200); // no events served yet
                QCOMPARE(returned, 0);
                receiver.abortAnswer = true;
            }));
        QCOMPARE(receiver.reads.size(), size_t(1000));
        QCOMPARE(receiver.reads[0], INT_MIN);
        QCOMPARE(receiver.reads[999], 999);
        QCOMPARE(receiver.texts[999], QByteArray("Gr\xc3\xbc\xc3\x9f\x65 \0 tail\xff", 15));
        QCOMPARE(std::count(receiver.threads.begin(), receiver.threads.end(), QThread::currentThread()),
                 1000);
        QCOMPARE(std::count(answers.begin(), answers.end(), true), 1000);
    }

    void onTheUiThreadItRunsAtOnce() {
        QObject context;
        Receiver receiver;
        receiver.abortAnswer = true;
        bool abort = false;
        QVERIFY(Synchronize(&context,
                            std::make_shared<Progress>(&receiver, &Receiver::ApplyProgress, 7, "x", abort)));
        QVERIFY(abort); // no event was served in between: it can only have run directly
        QVERIFY(!Synchronize(nullptr,
                             std::make_shared<Progress>(&receiver, &Receiver::ApplyProgress, 8, "x", abort)));
        QVERIFY(!Synchronize(&context, nullptr));
        QCOMPARE(receiver.reads, std::vector<int>{7});
    }

    void deletingTheContextReleasesAWaitingWorker() {
        auto context = std::make_unique<QObject>();
        Receiver receiver;
        bool ran = true;
        bool abort = false;
        std::atomic_bool entering = false;
        std::weak_ptr<TThreadProcedure> watch;
        QObject *alive = context.get();
        std::unique_ptr<QThread> worker(QThread::create([&] {
            auto procedure =
                std::make_shared<Progress>(&receiver, &Receiver::ApplyProgress, 1, "never", abort);
            watch = procedure;
            entering = true;
            ran = Synchronize(alive, procedure);
        }));
        worker->start();
        while (!entering) // then it waits for this thread, which serves no events
            QThread::msleep(1);
        QTest::qSleep(300);
        QVERIFY(!worker->isFinished());
        context.reset();
        QVERIFY(worker->wait(20000));
        QVERIFY(!ran);
        QVERIFY(receiver.reads.empty());
        QVERIFY(watch.expired());
    }
};

QTEST_GUILESS_MAIN(TMySyncProcedureTest)
#include "TMySyncProcedureTest.moc"
