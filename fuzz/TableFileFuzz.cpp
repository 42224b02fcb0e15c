// The two saved tables: the table codec on any bytes, both tables loaded from a folder holding them,
// and the password scrambling.
#include "FuzzSupport.h"
#include "core/SavedLoginTable.h"
#include "core/Scramble.h"
#include "core/SettingsTable.h"
#include "core/TableFile.h"

#include <QDir>

using namespace FuzzSupport;

namespace {

void checkCodec(QByteArrayView bytes) {
    const std::optional<StringGrid> grid = decodeTable(bytes);
    if (!grid)
        return;
    const QByteArray written = encodeTable(*grid);
    const std::optional<StringGrid> again = decodeTable(written);
    if (!again || !(*again == *grid))
        fail("a table read back differs from the one written");
}

void checkScramble(QByteArrayView bytes) {
    const QByteArray scrambled = ScrambleText(bytes, ScrambleKey);
    if (scrambled.size() != bytes.size() || UnscrambleText(scrambled, ScrambleKey) != bytes)
        fail("scrambling does not come back");
    (void)UnscrambleText(bytes, ScrambleKey);
}

void checkFolder(QByteArrayView bytes) {
    const QString folder = freshFolder(QStringLiteral("tables"));
    const QDir dir(folder);
    writeFile(dir.filePath(SavedLoginFileName.toString()), bytes);
    writeFile(dir.filePath(SettingsFileName.toString()), bytes);
    StringGrid login;
    const SavedLoginLoad loaded = loadSavedLoginTable(login, folder);
    StringGrid settings;
    (void)loadSettingsTable(settings, folder);
    (void)saveSettingsTable(settings, folder, false);

    // Whatever was on disk, a login saved now is the login read next time.
    const qsizetype half = bytes.size() / 2;
    const QByteArray email = QString::fromUtf8(bytes.first(half)).toUtf8();
    const QByteArray password = bytes.sliced(half).toByteArray();
    if (email.isEmpty() || email.contains('\0') || password.contains('\0') ||
        !saveSavedLoginTable(login, folder, true, email, password).ok)
        return;
    StringGrid reread;
    const SavedLoginLoad back = loadSavedLoginTable(reread, folder);
    if (!back.error.isEmpty() || !back.login.saved || back.login.email != QString::fromUtf8(email) ||
        back.login.password != QString::fromUtf8(password))
        fail("a saved login does not read back");
    (void)loaded;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArrayView bytes = view(data, size);
    checkCodec(bytes);
    checkScramble(bytes);
    checkFolder(bytes);
    return 0;
}
