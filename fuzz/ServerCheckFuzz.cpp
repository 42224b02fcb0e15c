// The server-check reply and the version list it carries.
#include "FuzzSupport.h"
#include "core/ServerCheckReply.h"

using namespace FuzzSupport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray reply = view(data, size).toByteArray();
    const ServerCheckReply parsed = ParseServerCheckReply(reply);
    quint32 ads = 7;
    quint16 news = 3;
    parsed.ApplyCounts(ads, news);

    QByteArray launcher = "1.0.0.0";
    std::array<QByteArray, GameCount> games;
    games.fill("1.0");
    ParseVersionList(parsed.VersionText, launcher, games);
    // The list on its own, as any text.
    ParseVersionList(reply, launcher, games);
    return 0;
}
