#include "net/DownloadLink.h"

#include "net/DownloadClient.h"

DownloadLink::DownloadLink(quint64 id, DownloadRequest request, DownloadClient *client)
    : Id(id)
    , Request(std::move(request))
    , m_client(client) {}

void DownloadLink::ApplyDownloadProgress(int readCount, int speed, bool &abort) {
    m_client->progressOnUi(*this, readCount, speed, abort);
}

void DownloadLink::DownloadFinished(QByteArray message) {
    m_client->finishOnUi(*this, message);
}

void DownloadLink::Notice(QByteArray message) {
    m_client->noticeOnUi(*this, message);
}
