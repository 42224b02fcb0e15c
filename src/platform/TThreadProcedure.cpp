#include "platform/TThreadProcedure.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

bool Synchronize(QObject *uiContext, const std::shared_ptr<TThreadProcedure> &procedure) {
    if (!uiContext || !procedure)
        return false;
    if (QThread::currentThread() == uiContext->thread()) {
        procedure->Invoke();
        return true;
    }
    // Written on the UI thread before the blocking call's semaphore is released, read here after it.
    bool ran = false;
    QMetaObject::invokeMethod(
        uiContext,
        [procedure, &ran] {
            procedure->Invoke();
            ran = true;
        },
        Qt::BlockingQueuedConnection);
    return ran;
}
