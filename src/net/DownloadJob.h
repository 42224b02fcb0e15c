#pragma once

#include "net/DownloadLink.h"
#include "platform/TickClock.h"

#include <QByteArrayView>
#include <QFile>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <memory>

class HttpGetStream;
class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

// One download on the worker thread, with a network client of its own: the size request (HEAD),
// then the GET on a socket of its own, written into the target file block by block as it arrives. Every block
// is handed to the UI thread with its read count and speed and waits for the abort answer. At the end the
// outcome is handed over once, the partial file removed unless the file is complete, and the job
// releases itself (with its client) after it has returned to the worker's event loop.
class DownloadJob final : public QObject {
    Q_OBJECT
public:
    // Both 3000 ms: at most that long without a byte moving, while connecting as while receiving.
    static constexpr int kConnectionTimeoutMs = 3000;
    static constexpr int kResponseTimeoutMs = 3000;
    // An error page longer than this is cut off rather than read to its end.
    static constexpr qint64 kErrorPageBytes = 1024 * 1024;

    // uiContext: the UI end of the hand-overs. jobsAlive counts jobs not yet released.
    DownloadJob(std::shared_ptr<DownloadLink> link, QObject *uiContext,
                std::shared_ptr<const TickClock> clock, std::shared_ptr<std::atomic_int> jobsAlive,
                QObject *parent);
    ~DownloadJob() override;

    [[nodiscard]] quint64 id() const { return m_id; }

    // Worker thread.
    void begin();
    // Ends the download as stopped; the outcome is still handed over.
    void stop();
    // Ends the download without telling the UI thread (a newer download replaces it, or the client
    // is going away).
    void discard();

private:
    QNetworkRequest makeRequest() const;
    void sizeFinished(QNetworkReply *head);
    void checkStatus();
    void receive(QByteArrayView block);
    void transferFinished();
    void DownloadDataReceived(qint64 contentLength, qint64 readCount, bool &abort);
    void answer(DownloadStart start);
    void removePartialFile();
    void release();
    [[nodiscard]] QString failureText(const QNetworkReply &reply) const;
    [[nodiscard]] QString failureText(const HttpGetStream &transfer) const;
    [[nodiscard]] QString name() const;

    std::shared_ptr<DownloadLink> m_link;
    quint64 m_id;
    QObject *m_uiContext;
    std::shared_ptr<const TickClock> m_clock;
    std::shared_ptr<std::atomic_int> m_jobsAlive;
    QNetworkAccessManager *m_network = nullptr;
    QPointer<QNetworkReply> m_head;
    QPointer<HttpGetStream> m_transfer;
    QFile m_file;
    bool m_fileCreated = false;
    bool m_answered = false;
    bool m_done = false;
    bool m_discarded = false;
    quint32 m_startTick = 0;
    qint64 m_announced = -1;
    qint64 m_received = 0;
    qint64 m_discardedBytes = 0;
    QString m_failure;
};
