#pragma once

#include <QNetworkCookie>
#include <QNetworkCookieJar>

// A cookie jar that keeps nothing and offers nothing: the launcher's posts carry no cookies.
class NullCookieJar final : public QNetworkCookieJar {
    Q_OBJECT
public:
    using QNetworkCookieJar::QNetworkCookieJar;

    [[nodiscard]] QList<QNetworkCookie> cookiesForUrl(const QUrl &url) const override;
    bool setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url) override;
    bool insertCookie(const QNetworkCookie &cookie) override;
    bool updateCookie(const QNetworkCookie &cookie) override;
};
