#pragma once

#include <QString>

// Whether what an extraction left in `root` stays inside it: every link found below it, followed
// link by link as the kernel would, must neither be absolute nor climb above `root`. A loop of
// links resolves nowhere and so stays inside. `root` must be free of links itself.
class TreeCheck {
public:
    // Empty when all is inside, else the path of the first link that leads out.
    static QString firstEscape(const QString &root);

private:
    static bool linkStaysInside(const QByteArray &root, const QByteArray &link);
};
