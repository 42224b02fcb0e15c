#include "PlayerText.h"

PlayerText PlayerText::fromArguments(const QStringList &arguments) {
    if (arguments.isEmpty() || arguments.first().isEmpty())
        return {QStringLiteral("Offline demo"), {}};

    // The words after the address were one password with single blanks between them.
    const qsizetype words = arguments.size() - 1;
    qsizetype length = words > 0 ? words - 1 : 0;
    for (qsizetype i = 1; i < arguments.size(); ++i)
        length += arguments.at(i).toUcs4().size(); // characters, not UTF-16 units

    PlayerText text;
    text.account = QStringLiteral("Signed in as %1").arg(arguments.first());
    text.secret = length == 1 ? QStringLiteral("password: 1 character")
                              : QStringLiteral("password: %1 characters").arg(length);
    return text;
}
