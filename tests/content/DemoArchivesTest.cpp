// The served demo content as the launcher and the service meet it: the announced versions, the
// download folder, and the game archives unpacked the way the launcher unpacks them.
#include "core/FileVersion.h"
#include "core/GameCatalogue.h"
#include "core/SkinNames.h"
#include "core/UnzipProgress.h"
#include "platform/ZipExtractor.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDir demo(QStringLiteral(QUILLBARROW_DEMO_DIR));
const QStringList shipped = QStringLiteral(QUILLBARROW_DEMO_SHIPPED_VERSIONS).split(u'^');

QString text(std::string_view value) {
    return QString::fromLatin1(value);
}

QVariant announced(const char *key) {
    return QSettings(demo.filePath(QStringLiteral("announced.ini")), QSettings::IniFormat)
        .value(QLatin1StringView(key));
}

// The update archive of a game whose announced version differs from the one it ships, never for NoVer.
QString updateArchive(std::size_t game) {
    const QString latest = announced("versions").toString().split(u'^').value(qsizetype(game) + 1);
    return latest == shipped.value(qsizetype(game)) || latest == u"NoVer"
               ? QString()
               : text(GameCatalogue()[game].FolderName) + QStringLiteral(".U.") + latest +
                     QStringLiteral(".zip");
}

// Unpacked with the platform's extractor feeding the launcher's progress arithmetic, which must end
// exactly at the archive's size or the installation would never leave its extraction step.
QString unpack(const QString &archive, const QString &target) {
    const ZipListing listing = ZipExtractor::list(archive);
    if (!listing.ok)
        return listing.error;
    UnzipProgress progress(QFileInfo(archive).size(), listing.entryCount, listing.folderCount);
    const ZipExtractResult extracted = ZipExtractor::extract(
        archive, target, [&](const QByteArray &name, quint32 packed, quint32 size, qint64 at) {
            progress.Report(name, packed, size, at);
        });
    if (!extracted.ok)
        return QStringLiteral("extraction failed: ") + extracted.error;
    return progress.Complete() ? QString() : QStringLiteral("progress stopped short");
}

// The game's version as its record and the program itself tell it.
QStringList versionOf(const QString &program) {
    QProcess process;
    process.start(program, {QStringLiteral("--version")});
    process.waitForFinished(30000);
    return {QString::fromLatin1(ReadFileVersion(QFile::encodeName(program))),
            QString::fromLatin1(process.readAllStandardOutput().trimmed())};
}

} // namespace

class DemoArchivesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The versions (one game NoVer), ad pages and news pictures the service announces, and a download
    // folder holding exactly the archives, the updates and the setup program.
    void announcedContentIsThere() {
        const QStringList versions = announced("versions").toString().split(u'^');
        QCOMPARE(versions.size(), qsizetype(1 + GameCount));
        QCOMPARE(versions.first(), QStringLiteral("1.0.0.8"));
        QCOMPARE(versions.count(QStringLiteral("NoVer")), 1);
        QCOMPARE(announced("news").toInt(), ShippedNewsPictures);
        QVERIFY(QFile::exists(demo.filePath(QStringLiteral("ads/ad%1.php").arg(announced("ads").toInt()))));

        QStringList expected{QStringLiteral("QuillbarrowSetup.exe")};
        for (std::size_t i = 0; i < GameCount; ++i)
            expected << text(GameCatalogue()[i].ArchiveName) << updateArchive(i);
        expected.removeAll(QString());
        QCOMPARE(expected.size(), 1 + qsizetype(GameCount) + 2);
        expected.sort();
        QCOMPARE(QDir(demo.filePath(QStringLiteral("download"))).entryList(QDir::Files, QDir::Name),
                 expected);
    }

    // Each archive installs a game that runs and carries its shipped version; an update unpacked
    // over it brings the announced one and keeps the game's data.
    void archivesInstallAndUpdateRunnableGames_data() {
        QTest::addColumn<int>("index");
        for (std::size_t i = 0; i < GameCount; ++i)
            QTest::newRow(GameCatalogue()[i].FolderName.data()) << int(i);
    }
    void archivesInstallAndUpdateRunnableGames() {
        QFETCH(int, index);
        const GameEntry &game = GameCatalogue()[std::size_t(index)];
        const QDir download(demo.filePath(QStringLiteral("download")));
        QTemporaryDir launcher;
        const QString folder = launcher.filePath(QStringLiteral("Games/") + text(game.FolderName));
        const QString exe = QDir(folder).filePath(text(game.ExeName));

        QCOMPARE(unpack(download.filePath(text(game.ArchiveName)), folder), QString());
        QVERIFY(QFileInfo(exe).permission(QFile::ExeOwner | QFile::ExeOther));
        QCOMPARE(versionOf(exe), QStringList(2, shipped.at(index)));

        const QString update = updateArchive(std::size_t(index));
        if (update.isEmpty())
            return;
        QCOMPARE(unpack(download.filePath(update), folder), QString());
        const QString latest = update.section(u'.', 2, -2);
        QCOMPARE(versionOf(exe), QStringList(2, latest));
        QVERIFY(QFile::exists(QDir(folder).filePath(QStringLiteral("Data/levels.dat"))));
    }
};

QTEST_GUILESS_MAIN(DemoArchivesTest)
#include "DemoArchivesTest.moc"
