#pragma once

#include <memory>

class QObject;

// A call that a worker thread hands to the UI thread (see TMySyncProcedure for the usual kind).
class TThreadProcedure {
public:
    virtual ~TThreadProcedure() = default;
    virtual void Invoke() = 0;
};

// Runs the procedure on uiContext's thread and blocks the calling thread until it has run; on that thread
// itself it runs at once (a queued blocking call to one's own thread would never return).
//
// Returns true when the procedure ran. It returns false without running it when uiContext or procedure is
// null, or when uiContext is deleted before its thread got to the call: deleting the object drops the
// posted call and so releases the waiting worker.
//
// Shutdown contract: uiContext must be alive when a worker enters the call (it cannot tell a dangling
// pointer) and is deleted on its own thread only; its thread must keep serving events while a worker may
// be waiting here. The owner therefore stops a worker by
// raising the worker's abort flag and then waits for it with events served (a QEventLoop ended by
// QThread::finished, say), never with a bare QThread::wait() on the UI thread, which would deadlock against
// a worker that is waiting here. A thread without an event loop never runs the call.
bool Synchronize(QObject *uiContext, const std::shared_ptr<TThreadProcedure> &procedure);
