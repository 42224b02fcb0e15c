// Writes demo/announced.ini, what the demo service announces at first start: the launcher's version
// and one per game, the ad page count and the news picture count. The build passes the games'
// folder names with their versions; they are checked against the catalogue, so a renamed or
// reordered row fails the build instead of announcing versions to the wrong games.
#include "core/GameCatalogue.h"
#include "core/SkinNames.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QSaveFile>
#include <cstdio>

namespace {

bool isVersion(const QByteArray &text) {
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{1,5})\\.(\\d{1,5})\\.(\\d{1,5})\\.(\\d{1,5})$"));
    const QRegularExpressionMatch match = pattern.match(QString::fromLatin1(text));
    if (!match.hasMatch())
        return false;
    for (int i = 1; i <= 4; ++i)
        if (match.captured(i).toInt() > 65535)
            return false;
    return true;
}

int fail(const QByteArray &message) {
    std::fprintf(stderr, "quillbarrow-demo-announce: %s\n", message.constData());
    return 1;
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc != 4 + static_cast<int>(GameCount))
        return fail("usage: quillbarrow-demo-announce OUT.ini LAUNCHER_VERSION AD_COUNT FOLDER=VERSION x13");

    const QByteArray launcher = argv[2];
    if (!isVersion(launcher))
        return fail("launcher version '" + launcher + "' is not four numbers");
    bool ok = false;
    const int ads = QByteArray(argv[3]).toInt(&ok);
    if (!ok || ads < 1)
        return fail("ad count '" + QByteArray(argv[3]) + "' is not a positive number");

    QByteArrayList versions{launcher};
    for (std::size_t i = 0; i < GameCount; ++i) {
        const QByteArray pair = argv[4 + i];
        const qsizetype eq = pair.indexOf('=');
        const QByteArray folder = pair.left(eq);
        const QByteArray version = pair.mid(eq + 1);
        const std::string_view row = GameCatalogue()[i].FolderName;
        const QByteArray expected(row.data(), static_cast<qsizetype>(row.size()));
        if (eq < 0 || folder != expected)
            return fail("game " + QByteArray::number(static_cast<qulonglong>(i)) + " is '" + folder +
                        "' but the catalogue has '" + expected + "'");
        if (version != "NoVer" && !isVersion(version))
            return fail("version '" + version + "' of " + folder + " is neither four numbers nor NoVer");
        versions << version;
    }

    QSaveFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly))
        return fail("cannot write " + QByteArray(argv[1]) + ": " + file.errorString().toLocal8Bit());
    file.write("versions=" + versions.join('^') + '\n');
    file.write("ads=" + QByteArray::number(ads) + '\n');
    file.write("news=" + QByteArray::number(ShippedNewsPictures) + '\n');
    if (!file.commit())
        return fail("cannot write " + QByteArray(argv[1]) + ": " + file.errorString().toLocal8Bit());
    return 0;
}
