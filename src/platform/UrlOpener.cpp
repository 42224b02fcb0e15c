#include "platform/UrlOpener.h"

#include <QDesktopServices>

UrlOpener::UrlOpener()
    : m_handler([](const QUrl &url) { return QDesktopServices::openUrl(url); }) {}

UrlOpener::UrlOpener(Handler handler)
    : m_handler(std::move(handler)) {}

bool UrlOpener::open(const QString &address) const {
    const QUrl url(address.trimmed(), QUrl::TolerantMode);
    if (!isWebAddress(url) || !m_handler)
        return false;
    return m_handler(url);
}

bool UrlOpener::isWebAddress(const QUrl &url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QStringLiteral("http") || scheme == QStringLiteral("https")) &&
           !url.host().isEmpty();
}
