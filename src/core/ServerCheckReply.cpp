#include "core/ServerCheckReply.h"

namespace {

const QByteArray unknown = QByteArrayLiteral("Unknown");

// Characters [from, from + count) of the reply (0-based) as an unsigned decimal number; none for
// anything else, including a missing or empty field.
std::optional<quint32> decimalField(const QByteArray &reply, qsizetype from, qsizetype count) {
    const QByteArray field = reply.mid(from, count);
    if (field.isEmpty())
        return std::nullopt;
    quint32 value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + quint32(c - '0');
    }
    return value;
}

} // namespace

void ServerCheckReply::ApplyCounts(quint32 &adCount, quint16 &newsCount) const {
    if (AdCount)
        adCount = *AdCount;
    if (NewsCount)
        newsCount = *NewsCount;
}

ServerCheckReply ParseServerCheckReply(const QByteArray &reply) {
    ServerCheckReply parsed;
    if (reply.startsWith("ON!|")) {
        parsed.ServerState = QByteArrayLiteral("ON");
        parsed.VersionText = reply.mid(16);
    } else if (reply.startsWith("OFF|")) {
        parsed.ServerState = QByteArrayLiteral("OFF");
        parsed.VersionText = reply.mid(16);
    } else {
        parsed.ServerState = QByteArrayLiteral("Error");
        parsed.VersionText = unknown;
    }
    parsed.LogOutRequested = reply.mid(4, 3) == "LO|";
    parsed.AdCount = decimalField(reply, 7, 4);
    if (const std::optional<quint32> news = decimalField(reply, 12, 3))
        parsed.NewsCount = quint16(*news);
    return parsed;
}

void ParseVersionList(const QByteArray &text, QByteArray &serverLauncherVersion,
                      std::array<QByteArray, GameCount> &latestVersion) {
    if (text == unknown) {
        serverLauncherVersion = unknown;
        latestVersion.fill(unknown);
        return;
    }
    const QList<QByteArray> pieces = text.split('^');
    serverLauncherVersion = pieces.front();
    for (qsizetype i = 1; i < pieces.size() && std::size_t(i) <= GameCount; ++i)
        latestVersion[std::size_t(i - 1)] = pieces[i];
}

FormFields ServerCheckForm(const QByteArray &accountEmail, const QByteArray &loginId,
                           const QByteArray &userName) {
    return {
        {"message", "Keep Me Loged!"}, {"email", accountEmail}, {"loginid", loginId}, {"username", userName}};
}
