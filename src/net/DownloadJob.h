#pragma once

#include "net/CurlTransfer.h"
#include "net/DownloadLink.h"
#include "platform/TickClock.h"

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <atomic>
#include <memory>
#include <vector>

class Sha256Pipe;

// One download on the worker thread, run to its end in one call: the size request (HEAD), the
// target file, the published SHA-256 digest if there is one, then the GET, written into the file and
// hashed as it arrives. Every round of received blocks is handed to the UI thread with its read count
// and speed and waits for the abort answer. A transfer that breaks after bytes arrived continues from
// what is on disk (Range guarded by If-Range) after each wait of the link's list, each announced by a
// notice. At the end the outcome is handed over once, the partial file removed unless the file is
// complete and verified, and the job releases itself after it has returned to the worker's event loop.
class DownloadJob final : public QObject {
    Q_OBJECT
public:
    static constexpr int kConnectionTimeoutMs = CurlTransfer::kConnectTimeoutMs;
    static constexpr int kResponseTimeoutMs = CurlTransfer::kIdleTimeoutMs;
    // An error page longer than this is cut off rather than read to its end.
    static constexpr qint64 kErrorPageBytes = 1024 * 1024;
    // Received bytes go to the file (and the hash) in blocks of this size, and at every round.
    static constexpr size_t kBlockBytes = 1024 * 1024;
    // How often a running request looks at the abort flag and the speed limit.
    static constexpr int kRoundMs = 50;

    // uiContext: the UI end of the hand-overs. jobsAlive counts jobs not yet released.
    DownloadJob(std::shared_ptr<DownloadLink> link, QObject *uiContext,
                std::shared_ptr<const TickClock> clock, std::shared_ptr<std::atomic_int> jobsAlive,
                QObject *parent);
    ~DownloadJob() override;

    [[nodiscard]] quint64 id() const { return m_id; }

    // Worker thread: the whole download, then the hand-over of its end.
    void begin();

private:
    // How one GET of the transfer ended.
    enum class Attempt { Done, Broken, StartOver, Failed, Stopped };

    bool sizeRequest();
    bool fetchDigest();
    void fetchSignature();
    QByteArray fetchSmall(const QString &suffix, qsizetype maxBytes, CurlTransfer::Result *result,
                          CurlTransfer::Response *response, QString *failure);
    void transfer();
    Attempt get(int attempt);
    bool acceptFirstBlock(const CurlTransfer::Response &response, qint64 offset);
    bool store(const char *data, size_t size);
    bool flushBlock();
    bool restartFromZero();
    int round(CurlTransfer &request);
    bool waitBeforeResume(int ms);
    void notice(const QString &text);
    void finish();
    void DownloadDataReceived(qint64 contentLength, qint64 readCount, bool &abort);
    void answer(DownloadStart start);
    void removePartialFile();
    void release();
    [[nodiscard]] QString name() const;
    [[nodiscard]] QString failedText(const QString &why) const;

    std::shared_ptr<DownloadLink> m_link;
    quint64 m_id;
    QObject *m_uiContext;
    std::shared_ptr<const TickClock> m_clock;
    std::shared_ptr<std::atomic_int> m_jobsAlive;
    QFile m_file;
    std::unique_ptr<Sha256Pipe> m_hash;
    std::vector<char> m_block; // arrived, not yet in the file
    QByteArray m_digest;       // published lower-case hex; empty when the service has none
    QByteArray m_validator;    // the first answer's ETag or Last-Modified, for If-Range
    bool m_fileCreated = false;
    bool m_answered = false;
    bool m_done = false;
    bool m_firstBlock = true; // of the running GET
    bool m_errorPage = false;
    bool m_everReceived = false;
    quint32 m_startTick = 0;
    qint64 m_announced = -1;
    qint64 m_expected = -1; // the whole file's length as the GETs tell it
    qint64 m_received = 0;  // on disk
    qint64 m_reported = 0;
    qint64 m_discardedBytes = 0;
    QString m_failure; // the running GET's, when it is not the network's
    // The speed limit's window: bytes on disk and time when it last changed.
    qint64 m_limit = 0;
    qint64 m_gateBytes = 0;
    QElapsedTimer m_gateTimer;
};
