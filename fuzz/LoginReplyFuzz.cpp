// The login reply.
#include "FuzzSupport.h"
#include "core/LoginReply.h"

using namespace FuzzSupport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const LoginReply reply = ClassifyLoginReply(view(data, size).toByteArray());
    const QByteArray line = reply.ChatLine();
    const bool refused = reply.Refused();
    if (reply.kind == LoginReply::Kind::Granted && (refused || !line.isEmpty()))
        fail("a granted login is refused or talks");
    if (reply.kind != LoginReply::Kind::Granted && (!reply.UserName.isEmpty() || !reply.LoginId.isEmpty()))
        fail("a login that was not granted carries a name or an id");
    return 0;
}
