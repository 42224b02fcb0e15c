// The served demo content as the launcher and the service meet it: the announced versions, the
// game archives unpacked the way the launcher unpacks them, the programs inside, the ad pages.
#include "core/FileVersion.h"
#include "core/GameCatalogue.h"
#include "core/SkinNames.h"
#include "core/UnzipProgress.h"
#include "platform/ZipExtractor.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

namespace {

QString text(std::string_view value) {
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

const QDir demo(QStringLiteral(QUILLBARROW_DEMO_DIR));

struct Announced {
    QStringList versions;
    int ads = -1;
    int news = -1;
    QString error;
};

Announced readAnnounced() {
    Announced result;
    QFile file(demo.filePath(QStringLiteral("announced.ini")));
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const qsizetype eq = line.indexOf(u'=');
        const QString key = line.left(eq), value = line.mid(eq + 1);
        if (key == u"versions")
            result.versions = value.split(u'^');
        else if (key == u"ads")
            result.ads = value.toInt();
        else if (key == u"news")
            result.news = value.toInt();
        else
            result.error = QStringLiteral("unexpected line: ") + line;
    }
    return result;
}

// A game archive unpacked the way the launcher unpacks it: the platform's extractor feeding the
// launcher's progress arithmetic, which must end exactly at the archive's size or the installation
// would never leave its extraction step.
struct Unpacked {
    QStringList names;
    bool progressComplete = false;
    QString error;
};

Unpacked unpack(const QString &archive, const QString &target) {
    Unpacked result;
    const ZipListing listing = ZipExtractor::list(archive);
    if (!listing.ok) {
        result.error = listing.error;
        return result;
    }
    UnzipProgress progress(QFileInfo(archive).size(), listing.entryCount, listing.folderCount);
    const ZipExtractResult extracted = ZipExtractor::extract(
        archive, target,
        [&](const QByteArray &name, quint32 compressed, quint32 uncompressed, qint64 position) {
            progress.Report(name, compressed, uncompressed, position);
            if (result.names.isEmpty() || result.names.last() != QString::fromUtf8(name))
                result.names << QString::fromUtf8(name);
        });
    if (!extracted.ok)
        result.error = extracted.error.isEmpty() ? QStringLiteral("extraction failed") : extracted.error;
    result.progressComplete = progress.Complete();
    return result;
}

QByteArray runVersion(const QString &program) {
    QProcess process;
    process.start(program, {QStringLiteral("--version")});
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return "(failed: " + process.readAllStandardError() + ")";
    return process.readAllStandardOutput().trimmed();
}

bool isExecutable(const QString &path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && (info.st_mode & S_IXUSR) &&
           (info.st_mode & S_IXOTH);
}

} // namespace

class DemoArchivesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void announcedVersionsFitTheCatalogue() {
        const Announced announced = readAnnounced();
        QVERIFY2(announced.error.isEmpty(), qPrintable(announced.error));
        QCOMPARE(announced.versions.size(), qsizetype(1 + GameCount));
        QCOMPARE(announced.versions.first(), QStringLiteral("1.0.0.8"));
        QCOMPARE(announced.versions.count(QStringLiteral("NoVer")), qsizetype(1));
        static const QRegularExpression version(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+$"));
        for (const QString &field : announced.versions)
            QVERIFY2(field == u"NoVer" || version.match(field).hasMatch(), qPrintable(field));
        QCOMPARE(announced.news, ShippedNewsPictures);
    }

    // Pages 1..N exist for the announced count N and stand alone: no scripts, nothing fetched.
    void adPagesMatchTheAnnouncedCount() {
        const Announced announced = readAnnounced();
        QVERIFY(announced.ads >= 1);
        const QDir ads(demo.filePath(QStringLiteral("ads")));
        QCOMPARE(ads.entryList({QStringLiteral("ad*.php")}, QDir::Files).size(), qsizetype(announced.ads));
        for (int n = 1; n <= announced.ads; ++n) {
            QFile page(ads.filePath(QStringLiteral("ad%1.php").arg(n)));
            QVERIFY2(page.open(QIODevice::ReadOnly), qPrintable(page.fileName()));
            const QString html = QString::fromUtf8(page.readAll()).toLower();
            QVERIFY(html.startsWith(QStringLiteral("<!doctype html>")));
            QVERIFY(html.contains(QStringLiteral("name=\"viewport\"")));
            QVERIFY2(!html.contains(QStringLiteral("<script")), qPrintable(page.fileName()));
            QVERIFY2(!html.contains(QStringLiteral("http:")) && !html.contains(QStringLiteral("https:")) &&
                         !html.contains(QStringLiteral("//")) && !html.contains(QStringLiteral("@import")),
                     qPrintable(page.fileName()));
        }
        QVERIFY(QFile::exists(demo.filePath(QStringLiteral("site/style.css"))));
        QVERIFY(QFile::exists(demo.filePath(QStringLiteral("site/logo.svg"))));
    }

    // The download folder holds exactly the 13 archives, an update archive for each game whose
    // announced version differs from the one it ships (never for NoVer), and the setup program.
    void downloadFolderHoldsExactlyTheAnnouncedArchives() {
        const Announced announced = readAnnounced();
        QVERIFY2(announced.error.isEmpty(), qPrintable(announced.error));
        const QStringList shipped = QStringLiteral(QUILLBARROW_DEMO_SHIPPED_VERSIONS).split(u'^');
        QCOMPARE(shipped.size(), qsizetype(GameCount));

        QStringList expected{QStringLiteral("QuillbarrowSetup.exe")};
        int updates = 0;
        for (std::size_t i = 0; i < GameCount; ++i) {
            const GameEntry &game = GameCatalogue()[i];
            expected << text(game.ArchiveName);
            const QString latest = announced.versions.at(static_cast<qsizetype>(i) + 1);
            if (latest != shipped.at(static_cast<qsizetype>(i)) && latest != u"NoVer") {
                expected << text(game.FolderName) + QStringLiteral(".U.") + latest + QStringLiteral(".zip");
                ++updates;
            }
        }
        QCOMPARE(updates, 2);
        QStringList present = QDir(demo.filePath(QStringLiteral("download"))).entryList(QDir::Files);
        expected.sort();
        present.sort();
        QCOMPARE(present, expected);
    }

    void archivesInstallAndUpdateRunnableGames_data() {
        QTest::addColumn<int>("index");
        for (std::size_t i = 0; i < GameCount; ++i)
            QTest::newRow(GameCatalogue()[i].FolderName.data()) << static_cast<int>(i);
    }
    void archivesInstallAndUpdateRunnableGames() {
        QFETCH(int, index);
        const GameEntry &game = GameCatalogue()[static_cast<std::size_t>(index)];
        const QString shipped = QStringLiteral(QUILLBARROW_DEMO_SHIPPED_VERSIONS).split(u'^').at(index);
        const QString latest = readAnnounced().versions.value(index + 1);
        const QDir download(demo.filePath(QStringLiteral("download")));
        QTemporaryDir launcher;
        const QString folder = launcher.filePath(QStringLiteral("Games/") + text(game.FolderName));
        const QString exe = QDir(folder).filePath(text(game.ExeName));

        const Unpacked base = unpack(download.filePath(text(game.ArchiveName)), folder);
        QVERIFY2(base.error.isEmpty(), qPrintable(base.error));
        QVERIFY(base.names.contains(text(game.ExeName))); // at the archive's root
        QVERIFY(!base.names.last().endsWith(u'/')); // the launcher finishes on the last file's last byte
        QVERIFY(isExecutable(exe));
        QCOMPARE(ReadFileVersion(QFile::encodeName(exe)), shipped.toLatin1());
        QCOMPARE(runVersion(exe), shipped.toLatin1());

        if (latest == shipped || latest == u"NoVer")
            return;
        // The update unpacks over the installed game, as the launcher does it.
        const QString update =
            text(game.FolderName) + QStringLiteral(".U.") + latest + QStringLiteral(".zip");
        const Unpacked newer = unpack(download.filePath(update), folder);
        QVERIFY2(newer.error.isEmpty(), qPrintable(newer.error));
        QVERIFY(newer.progressComplete);
        QVERIFY(isExecutable(exe));
        QCOMPARE(ReadFileVersion(QFile::encodeName(exe)), latest.toLatin1());
        QCOMPARE(runVersion(exe), latest.toLatin1());
        QVERIFY(QFile::exists(QDir(folder).filePath(QStringLiteral("Data/levels.dat"))));
    }
};

QTEST_GUILESS_MAIN(DemoArchivesTest)
#include "DemoArchivesTest.moc"
