#include "net/DownloadRequest.h"

QString DownloadRequest::path() const {
    return QString::fromUtf8(Folder + '/' + FileName);
}

QUrl DownloadRequest::url() const {
    // The name is one path segment: a "?", "#" or blank in it is part of the name.
    return QUrl::fromEncoded(BaseUrl + QUrl::toPercentEncoding(QString::fromUtf8(FileName)),
                             QUrl::TolerantMode);
}

std::optional<QString> DownloadRequest::problem() const {
    const QString name = QString::fromUtf8(FileName);
    if (name.isEmpty() || name == u"." || name == u".." || name.contains(u'/') || name.contains(u'\\') ||
        name.contains(QChar(0)))
        return QStringLiteral("\"%1\" is not a file name to download to").arg(name);
    if (Folder.isEmpty())
        return QStringLiteral("no folder to download %1 into").arg(name);
    const QUrl address = url();
    if (!address.isValid() || (address.scheme() != u"https" && address.scheme() != u"http") ||
        address.host().isEmpty())
        return QStringLiteral("\"%1\" is not a download address").arg(QString::fromUtf8(BaseUrl + FileName));
    return std::nullopt;
}
