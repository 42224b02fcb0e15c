#include "lib/AccountRules.h"

#include <QRegularExpression>

QString AccountRules::checkEmail(const QString &email) {
    static const QRegularExpression pattern(
        QStringLiteral("^[a-z0-9._%+'-]+@[a-z0-9-]+(\\.[a-z0-9-]+)*\\.[a-z]{2,}$"));
    if (email.isEmpty())
        return QStringLiteral("Please enter your e-mail address.");
    if (email.size() > kEmailMax)
        return QStringLiteral("The e-mail address is longer than %1 characters.").arg(kEmailMax);
    if (email != email.toLower())
        return QStringLiteral("The e-mail address must be in lower case.");
    if (!pattern.match(email).hasMatch())
        return QStringLiteral("That does not look like an e-mail address.");
    return {};
}

QString AccountRules::checkName(const QString &name) {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z][A-Za-z0-9_-]*$"));
    if (name.size() < kNameMin || name.size() > kNameMax)
        return QStringLiteral("The player name must be %1 to %2 characters long.")
            .arg(kNameMin)
            .arg(kNameMax);
    if (!pattern.match(name).hasMatch())
        return QStringLiteral("The player name must start with a letter and hold only letters, digits, "
                              "\"_\" and \"-\".");
    return {};
}

QString AccountRules::checkPassword(const QString &password) {
    if (password.size() < kPasswordMin)
        return QStringLiteral("The password must be at least %1 characters long.").arg(kPasswordMin);
    if (password.size() > kPasswordMax)
        return QStringLiteral("The password must be at most %1 characters long.").arg(kPasswordMax);
    for (const QChar c : password) {
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("The password must not contain control characters.");
    }
    return {};
}

QString AccountRules::checkChannel(const QString &channel) {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_-]+$"));
    if (channel.isEmpty() || channel.size() > kChannelMax || !pattern.match(channel).hasMatch())
        return QStringLiteral("Channel names are 1 to %1 letters, digits, \"_\" or \"-\".").arg(kChannelMax);
    return {};
}
