// Zip archives through the real extractor into a scratch folder. Nothing may appear beside the target
// folder, and no link written inside may lead out of it.
#include "FuzzSupport.h"
#include "TreeCheck.h"
#include "platform/ZipExtractor.h"

#include <QDir>
#include <cstdio>

using namespace FuzzSupport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString scratch = freshFolder(QStringLiteral("zip"));
    const QDir dir(scratch);
    const QString archive = dir.filePath(QStringLiteral("game.zip"));
    const QString target = dir.filePath(QStringLiteral("Game"));
    writeFile(archive, view(data, size));
    // An older version is there already: entries replace its files, and some clash with its folder.
    if (!QDir().mkpath(target + QStringLiteral("/data")))
        fail("target not made");
    writeFile(target + QStringLiteral("/data/old.txt"), "old");
    writeFile(target + QStringLiteral("/Game.exe"), "old");

    const ZipListing listing = ZipExtractor::list(archive);
    if (!listing.ok && listing.error.isEmpty())
        fail("a listing failed without a reason");
    qint64 reports = 0;
    const ZipExtractResult result = ZipExtractor::extract(
        archive, target, [&reports](const QByteArray &, quint32, quint32, qint64) { ++reports; });
    if (!result.ok && result.error.isEmpty())
        fail("an extraction failed without a reason");

    const QStringList beside =
        dir.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    if (beside != QStringList{QStringLiteral("Game"), QStringLiteral("game.zip")}) {
        std::fprintf(stderr, "beside the target: %s\n", qPrintable(beside.join(u' ')));
        fail("the extraction wrote beside its target folder");
    }
    if (const QString escape = TreeCheck::firstEscape(target); !escape.isEmpty()) {
        std::fprintf(stderr, "link leading out: %s\n", qPrintable(escape));
        fail("a link written inside the target leads out of it");
    }
    return 0;
}
