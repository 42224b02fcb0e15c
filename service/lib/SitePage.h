#pragma once

#include <QByteArray>
#include <QString>

// The web site's common frame: dark theme, header with navigation, footer. Page bodies are HTML built
// by the caller, with every piece of input passed through escape().
class SitePage {
public:
    static QString escape(const QString &text);
    // `current` is the id of the page (its navigation entry is highlighted), or empty.
    static QByteArray render(const QString &title, const QString &current, const QString &bodyHtml);
};
