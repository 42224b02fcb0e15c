#include "net/NullCookieJar.h"

QList<QNetworkCookie> NullCookieJar::cookiesForUrl(const QUrl &) const {
    return {};
}

bool NullCookieJar::setCookiesFromUrl(const QList<QNetworkCookie> &, const QUrl &) {
    return false;
}

bool NullCookieJar::insertCookie(const QNetworkCookie &) {
    return false;
}

bool NullCookieJar::updateCookie(const QNetworkCookie &) {
    return false;
}
