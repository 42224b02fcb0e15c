#include "cli/LogLines.h"

#include <QRegularExpression>
#include <cstdio>

namespace {

void writeLine(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    const char *level = type == QtFatalMsg      ? "fatal: "
                        : type == QtCriticalMsg ? "error: "
                        : type == QtWarningMsg  ? "warning: "
                                                : "";
    QString line = QString::fromLatin1(level);
    if (context.category && qstrcmp(context.category, "default") != 0)
        line += QString::fromLatin1(context.category) + QStringLiteral(": ");
    line += LogLines::oneLine(message) + u'\n';
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

} // namespace

LogLines::LogLines()
    : m_previous(qInstallMessageHandler(writeLine)) {}

LogLines::~LogLines() {
    qInstallMessageHandler(m_previous);
}

QString LogLines::oneLine(const QString &text) {
    static const QRegularExpression breaks(QStringLiteral("\\s*[\\r\\n]+\\s*"));
    return text.trimmed().replace(breaks, QStringLiteral(" | "));
}
