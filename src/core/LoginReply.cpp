#include "core/LoginReply.h"

#include <array>

namespace {

struct PrefixRule {
    const char *keyword;
    LoginReply::Kind kind;
};

// Tested in this order after the exact "Error!"; only the keyword's length is compared.
constexpr std::array<PrefixRule, 6> prefixRules{{
    {"LogOffOK!", LoginReply::Kind::LogOffAccepted},
    {"ErrLogOff!", LoginReply::Kind::LogOffRefused},
    {"AccDisabled!", LoginReply::Kind::AccountDisabled},
    {"WrongUsrPass!", LoginReply::Kind::WrongCredentials},
    {"LogIn Granted!", LoginReply::Kind::Granted},
    {"MaxClientsReached!", LoginReply::Kind::ServerFull},
}};

constexpr qsizetype nameStart = 15; // character 16; character 15 is skipped

} // namespace

QByteArray LoginReply::ChatLine() const {
    switch (kind) {
    case Kind::Failed:
        return QByteArrayLiteral("LogIn failed!");
    case Kind::LogOffAccepted:
        return QByteArrayLiteral("LogOff successful.");
    case Kind::LogOffRefused:
        return QByteArrayLiteral("Error Loging Off.");
    case Kind::AccountDisabled:
        return QByteArrayLiteral("Your account is disabled!");
    case Kind::WrongCredentials:
        return QByteArrayLiteral("Wrong Username or Password!");
    case Kind::ServerFull:
        return QByteArrayLiteral("Maximum clients online is reached! Please try again later.");
    case Kind::Ignored:
    case Kind::Granted:
        break;
    }
    return {};
}

bool LoginReply::Refused() const {
    return kind == Kind::Failed || kind == Kind::AccountDisabled || kind == Kind::WrongCredentials ||
           kind == Kind::ServerFull;
}

LoginReply ClassifyLoginReply(const QByteArray &reply) {
    LoginReply result;
    if (reply == "Error!") {
        result.kind = LoginReply::Kind::Failed;
        return result;
    }
    for (const PrefixRule &rule : prefixRules) {
        if (reply.startsWith(rule.keyword)) {
            result.kind = rule.kind;
            break;
        }
    }
    if (result.kind == LoginReply::Kind::Granted) {
        const qsizetype bar = reply.lastIndexOf('|');
        if (bar < nameStart) {
            result.kind = LoginReply::Kind::Failed;
            return result;
        }
        result.UserName = reply.mid(nameStart, bar - nameStart);
        result.LoginId = reply.mid(bar + 1);
    }
    return result;
}

FormFields LoginForm(const QByteArray &email, const QByteArray &password) {
    return {{"message", "LogIn Request."}, {"email", email}, {"password", password}};
}

FormFields LogOffForm(const QByteArray &accountEmail, const QByteArray &loginId) {
    return {{"message", "LogOFF!"}, {"email", accountEmail}, {"loginid", loginId}};
}
