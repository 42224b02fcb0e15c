#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal delivered on the thread that owns the watcher, so a
// server can stop its children and exit through its normal path. One watcher at a time; the
// default handlers are restored when it is destroyed.
class StopSignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit StopSignalWatcher(QObject *parent = nullptr);
    ~StopSignalWatcher() override;

    [[nodiscard]] bool isActive() const { return m_active; }
    [[nodiscard]] QString errorString() const { return m_error; }

Q_SIGNALS:
    void stopRequested(int signalNumber);

private:
    void drain();

    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_active = false;
    QString m_error;
};
