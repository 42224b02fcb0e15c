#pragma once

#include <QString>
#include <QUrl>
#include <functional>

// Opens web addresses in the user's browser. Tests construct it with a handler of their own to see
// which addresses would have been opened.
class UrlOpener {
public:
    using Handler = std::function<bool(const QUrl &)>;

    UrlOpener(); // QDesktopServices::openUrl
    explicit UrlOpener(Handler handler);

    // Only http and https addresses with a host are handed on: an address from the network must not
    // open local files or start programs. True when the handler accepted it.
    bool open(const QString &address) const;

    [[nodiscard]] static bool isWebAddress(const QUrl &url);

private:
    Handler m_handler;
};
