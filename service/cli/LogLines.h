#pragma once

#include <QString>
#include <QtGlobal>

// While it lives, log messages go to standard error one line each (line breaks folded, no colour),
// the form a system journal keeps as one entry per event.
class LogLines {
public:
    LogLines();
    ~LogLines();
    LogLines(const LogLines &) = delete;
    LogLines &operator=(const LogLines &) = delete;

    // The text on one line: each run of line breaks becomes " | ", outer blanks go.
    [[nodiscard]] static QString oneLine(const QString &text);

private:
    QtMessageHandler m_previous = nullptr;
};
