#include "platform/TMySyncProcedure.h"

#include <QEventLoop>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <climits>
#include <vector>

namespace {

// Stands in for the window: a method of the shape the download hands over.
struct Receiver {
    void ApplyProgress(int read, const QByteArray &text, bool &abort) {
        calls.push_back({QThread::currentThread(), read, text});
        abort = abortAnswer;
    }
    struct Call {
        QThread *thread;
        int read;
        QByteArray text;
        bool operator==(const Call &) const = default;
    };
    std::atomic_bool abortAnswer = false;
    std::vector<Call> calls;
};

using Progress = TMySyncProcedure3<int, QByteArray, bool &>;
const QByteArray Text("Gr\xc3\xbc\xc3\x9f\x65 \0 tail\xff", 15);

} // namespace

class TMySyncProcedureTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The worker waits inside Synchronize until the UI thread serves events; values go over as they were
    // when the call was made, the reference argument carries the answer back, calls keep their order.
    void runsOnTheUiThreadWhileTheWorkerWaits() {
        QObject context;
        Receiver receiver;
        std::vector<bool> answers;
        std::atomic_int returned = 0;
        std::unique_ptr<QThread> worker(QThread::create([&] {
            for (int i = 0; i < 1000; ++i) {
                bool abort = i % 2 == 0; // the UI side must overwrite it
                QByteArray text = Text;
                auto procedure =
                    std::make_shared<Progress>(&receiver, &Receiver::ApplyProgress, INT_MIN + i, text, abort);
                text.fill('x');
                if (Synchronize(&context, procedure))
                    answers.push_back(abort);
                ++returned;
            }
        }));
        worker->start();
        QTest::qSleep(200); // no events served yet
        QCOMPARE(returned, 0);
        receiver.abortAnswer = true;
        QEventLoop loop; // an owner ending a worker serves events meanwhile
        connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
        if (!worker->isFinished())
            loop.exec();
        QVERIFY(worker->wait(60000));
        QCOMPARE(receiver.calls.size(), size_t(1000));
        QVERIFY((receiver.calls[999] == Receiver::Call{QThread::currentThread(), INT_MIN + 999, Text}));
        QCOMPARE(std::count(answers.begin(), answers.end(), true), 1000);

        // On the UI thread itself it runs at once, without an event served; nothing to run or no context: no.
        bool abort = false;
        QVERIFY(Synchronize(&context,
                            std::make_shared<Progress>(&receiver, &Receiver::ApplyProgress, 7, "", abort)));
        QVERIFY(abort);
        QVERIFY(!Synchronize(nullptr,
                             std::make_shared<Progress>(&receiver, &Receiver::ApplyProgress, 8, "", abort)));
        QVERIFY(!Synchronize(&context, nullptr));
        QCOMPARE(receiver.calls.back().read, 7);
    }

    void deletingTheContextReleasesAWaitingWorker() {
        auto context = std::make_unique<QObject>();
        QObject *alive = context.get();
        Receiver receiver;
        std::atomic_bool entering = false;
        bool ran = true;
        bool abort = false;
        std::weak_ptr<TThreadProcedure> watch;
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
        QVERIFY(!ran && receiver.calls.empty() && watch.expired());
    }
};

QTEST_GUILESS_MAIN(TMySyncProcedureTest)
#include "TMySyncProcedureTest.moc"
