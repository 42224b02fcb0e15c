#pragma once

#include <QString>

// What the service accepts as e-mail, player name, password and channel name. Each check returns an
// empty string when the value is fine, else a sentence for the user.
class AccountRules {
public:
    static constexpr int kEmailMax = 127; // the launcher's field holds 127 characters
    static constexpr int kPasswordMin = 8;
    static constexpr int kPasswordMax = 127;
    static constexpr int kNameMin = 3;
    static constexpr int kNameMax = 20;
    static constexpr int kChannelMax = 24;

    static QString checkEmail(const QString &email);
    // Names appear in chat lines and whispers are addressed by them: no blanks, no separators.
    static QString checkName(const QString &name);
    static QString checkPassword(const QString &password);
    static QString checkChannel(const QString &channel);
};
