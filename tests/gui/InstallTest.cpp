// Installing and updating demo games through the window from the real reference service (nginx over
// HTTPS on a loopback port), driven tick by tick, with archives the tests change in its download folder.
#include "RunningService.h"
#include "TestWindow.h"
#include "core/FileVersion.h"
#include "core/GameLibrary.h"
#include "gui/controls/PictureControl.h"
#include "gui/controls/ProgressBar.h"
#include "gui/controls/Spinner.h"
#include "platform/ZipExtractor.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>
#include <vector>
#include <zip.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qint16 EmberHollow = 0;
constexpr qint16 StarfallDrift = 2;
constexpr qint16 Hexbound = 4;
constexpr qint16 CinderVale = 5;
constexpr qint16 PocketArmada = 6;
constexpr qint16 Whisperwood = 7;
constexpr qint16 SkylineSprint = 8;
constexpr qint64 MusicSize = 3 * 1024 * 1024 + 200 * 1024;

struct ArchiveEntry {
    QByteArray name;
    QByteArray data;
    bool folder = false;
    int mode = 0644;
};

// An archive written with libzip, names stored exactly as given; append adds to an existing one.
bool writeArchive(const QString &path, const std::vector<ArchiveEntry> &entries, bool append = false) {
    int code = 0;
    zip_t *archive =
        zip_open(QFile::encodeName(path).constData(), append ? 0 : ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive)
        return false;
    for (const ArchiveEntry &entry : entries) {
        const zip_int64_t index = entry.folder
                                      ? zip_dir_add(archive, entry.name.constData(), ZIP_FL_ENC_RAW)
                                      : zip_file_add(archive, entry.name.constData(),
                                                     zip_source_buffer(archive, entry.data.constData(),
                                                                       zip_uint64_t(entry.data.size()), 0),
                                                     ZIP_FL_ENC_RAW);
        const zip_uint32_t mode = entry.folder ? S_IFDIR | 0755 : S_IFREG | zip_uint32_t(entry.mode);
        if (index < 0 || zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_STORE, 0) != 0 ||
            zip_file_set_external_attributes(archive, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX, mode << 16) !=
                0) {
            zip_discard(archive);
            return false;
        }
    }
    return zip_close(archive) == 0;
}

QByteArray randomBytes(qsizetype size) {
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator(quint32(size)).fillRange(reinterpret_cast<quint32 *>(data.data()), size / 4);
    return data;
}

bool damage(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.size() > 4096 && file.seek(file.size() / 2) &&
           file.write(QByteArray(64, '\x5a')) == 64;
}

QByteArray installedVersion(const TestWindow &t, qint16 game) {
    return ReadFileVersion(QFile::encodeName(t.exePath(game)));
}

bool jobIdle(const TMainForm &w) {
    return w.PendingJob == 0 && !w.JobBusy && w.DownloadIdle;
}

bool install(TestWindow &t, qint16 game) {
    t.select(game);
    t.form->BtnInstallClick();
    return t.tickUntil([&] { return jobIdle(*t.form); });
}

} // namespace

// One service for the class and one window logged in by hand for the archives that cannot install.
class InstallTest : public QObject {
    Q_OBJECT

    RunningService m_service;
    TestWindow t;

    QString served(const QString &name) const { return QDir(downloadDir(m_service)).filePath(name); }

private Q_SLOTS:
    void initTestCase() {
        const QString started = startTestService(m_service);
        QVERIFY2(started.isEmpty(), qPrintable(started));
        QVERIFY(
            admin(m_service, {u"user"_s, u"add"_s, u"player@example.com"_s, u"pass word"_s, u"Player"_s}));
        // Ember Hollow with a few MB of game data, so that the download counts whole MB.
        QVERIFY(
            writeArchive(served(u"EmberHollow.zip"_s), {{"Data/music.bin", randomBytes(MusicSize)}}, true));
        QVERIFY(damage(served(u"StarfallDrift.zip"_s)));
        // Entries that climb out of the game's folder.
        QVERIFY(writeArchive(served(u"Hexbound.zip"_s), {{"Hexbound.exe", "#!/bin/sh\n", false, 0755},
                                                         {"../outside.txt", "outside the game"},
                                                         {"../../escaped.txt", "outside the launcher"}}));
        // Folders only: the extraction reports no progress at all.
        QVERIFY(
            writeArchive(served(u"PocketArmada.zip"_s), {{"Data/", {}, true}, {"Data/Levels/", {}, true}}));
        // 3000 files of level data: the extraction takes a while, also on a busy machine.
        std::vector<ArchiveEntry> levels;
        const QByteArray level = randomBytes(16 * 1024);
        for (int i = 0; i < 3000; ++i)
            levels.push_back({"Levels/" + QByteArray::number(i) + ".bin", level});
        QVERIFY(writeArchive(served(u"SkylineSprint.zip"_s), levels));
        QFile empty(served(u"CinderVale.zip"_s));
        QVERIFY(empty.open(QIODevice::WriteOnly | QIODevice::Truncate));
        empty.close();
        // The published digests follow the archives changed here.
        QVERIFY(admin(m_service, {u"digest"_s}));

        t.serviceUrl = serviceUrl(m_service);
        QVERIFY(t.start());
        t.logInByHand();
    }

    void installsAndUpdatesEndToEnd() {
        TestWindow e;
        e.serviceUrl = serviceUrl(m_service);
        QVERIFY(e.start());
        TMainForm &w = *e.form;
        QVERIFY(e.serverCheck());
        QVERIFY(e.logIn(u"player@example.com"_s, u"pass word"_s));

        // The read-out shows the size in whole MB, then the unpacking.
        const double sizeMB = double(QFileInfo(served(u"EmberHollow.zip"_s)).size() / (1024 * 1024));
        bool sizeShown = false;
        bool installingShown = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
            sizeShown = sizeShown || w.SizeLine.startsWith("Size: (" + QByteArray::number(sizeMB) + " MB)");
            installingShown = installingShown || w.StatusLine == "Installing:   Ember Hollow...";
        });
        watch.start(0);
        w.MyGamesPosition = 4;
        e.select(EmberHollow);
        w.BtnInstallClick();
        QVERIFY(!w.DLInfo->isHidden() && !w.BtnCancel->isHidden() && w.BtnInstall->isHidden());
        QVERIFY(e.tickUntil([&] { return jobIdle(w); }));
        QVERIFY(sizeShown && installingShown);
        QCOMPARE(w.ProgressMax, 100.0);

        QVERIFY(QFileInfo(e.exePath(EmberHollow)).permissions() & QFile::ExeOwner);
        QCOMPARE(installedVersion(e, EmberHollow), "1.0.0.0"_ba);
        QCOMPARE(QFileInfo(e.path(u"Games/EmberHollow/Data/music.bin"_s)).size(), MusicSize);
        QTRY_VERIFY(!QFile::exists(e.path(u"Temp"_s)));
        QCOMPARE(w.MyGamesPosition, 1u);
        QVERIFY(w.DLInfo->isHidden());

        // The service announces a newer Whisperwood with its next check; Play turns into Update.
        QVERIFY(install(e, Whisperwood));
        QCOMPARE(installedVersion(e, Whisperwood), "1.4.0.7"_ba);
        QVERIFY(e.serverCheck());
        QCOMPARE(w.BtnPlay->tag(), 2);
        w.UpdateSelectedGame();
        QVERIFY(w.DownloadJobFile.endsWith(u"/Temp/Whisperwood.U.1.4.1.0.zip"_s));
        QVERIFY(e.tickUntil([&] { return w.StatusLine == "Updating   Whisperwood..."; }));
        QVERIFY(e.tickUntil([&] { return jobIdle(w); }));
        QCOMPARE(installedVersion(e, Whisperwood), "1.4.1.0"_ba);
        QVERIFY(!QFile::exists(e.path(u"Temp/Whisperwood.U.1.4.1.0.zip"_s)));
        QVERIFY2(!e.chat().contains(u"failed"_s), qPrintable(e.chat()));
        QVERIFY(w.LoggedIn);
    }

    void aDamagedUpdateLeavesTheGameAsItWas() {
        TMainForm &w = *t.form;
        const ZipExtractResult unpacked =
            ZipExtractor::extract(served(u"Whisperwood.zip"_s), t.path(u"Games/Whisperwood"_s),
                                  [](const QByteArray &, quint32, quint32, qint64) {});
        QVERIFY2(unpacked.ok, qPrintable(unpacked.error));
        QFile exe(t.exePath(Whisperwood));
        QVERIFY(exe.open(QIODevice::ReadOnly));
        const QByteArray before = exe.readAll();
        exe.close();
        // The new executable comes out whole before the data turns out damaged.
        const QString update = served(u"Whisperwood.U.1.4.2.0.zip"_s);
        QVERIFY(writeArchive(update, {{"Whisperwood.exe", "#!/bin/sh\necho new\n", false, 0755},
                                      {"Data/levels.bin", randomBytes(2 * 1024 * 1024)}}));
        QVERIFY(damage(update));
        QVERIFY(admin(m_service, {u"digest"_s}));

        w.Library.LatestVersion[Whisperwood] = "1.4.2.0";
        t.select(Whisperwood);
        w.UpdateSelectedGame();
        QVERIFY(t.tickUntil([&] { return jobIdle(w); }));
        QVERIFY2(t.chat().contains(u"The update of Whisperwood failed: "_s), qPrintable(t.chat()));
        QVERIFY(exe.open(QIODevice::ReadOnly));
        QVERIFY(exe.readAll() == before);
        QVERIFY(!QFile::exists(t.path(u"Games/Whisperwood/Data/levels.bin"_s)));
        QTRY_VERIFY(!QFile::exists(t.path(u"Temp"_s)));
        QCOMPARE(w.BtnPlay->tag(), 2);
    }

    void archivesThatCannotInstallLeaveNothing() {
        TMainForm &w = *t.form;
        QVERIFY(install(t, StarfallDrift));
        QVERIFY2(t.chat().contains(u"The installation of Starfall Drift failed: "_s), qPrintable(t.chat()));
        QVERIFY(!QFile::exists(t.exePath(StarfallDrift)));
        QVERIFY(!w.BtnInstall->isHidden() && w.DLInfo->isHidden());

        QVERIFY(install(t, Hexbound));
        QVERIFY2(t.chat().contains(u"The installation of Hexbound failed: "_s), qPrintable(t.chat()));
        QVERIFY(!QFile::exists(t.path(u"Games/Hexbound"_s)));
        QTRY_VERIFY(!QFile::exists(t.path(u"Temp"_s)));
        QDirIterator files(t.folder.path(), QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString name = files.next();
            QVERIFY2(!name.endsWith(u"outside.txt"_s) && !name.endsWith(u"escaped.txt"_s), qPrintable(name));
        }

        // Nothing at all, again and again: a bounded number of restarts.
        QVERIFY(install(t, CinderVale));
        for (int run = 1; run <= 3; ++run)
            QVERIFY2(
                t.chat().contains(
                    u"The server sent no data for Cinder Vale Online; trying again (%1 of 3)."_s.arg(run)),
                qPrintable(t.chat()));
        QVERIFY(t.chat().contains(u"the server sent no data (4 tries)"_s));
        QVERIFY(!QFile::exists(t.path(u"Temp/CinderVale.zip"_s)) && !QFile::exists(t.exePath(CinderVale)));

        // Folders only: no progress to report, and the job still finishes.
        const QString before = t.chat();
        QVERIFY(install(t, PocketArmada));
        QVERIFY(QFileInfo(t.path(u"Games/PocketArmada/Data/Levels"_s)).isDir());
        QCOMPARE(t.chat(), before);
        QVERIFY(!w.BtnInstall->isHidden());
    }

    // A log-out cancels the job: the unpacking stops and the game stays as it was.
    void cancelDuringTheUnpackingKeepsTheGame() {
        TMainForm &w = *t.form;
        QVERIFY(t.installGame(Whisperwood));
        const QByteArray before = installedVersion(t, Whisperwood);
        std::vector<ArchiveEntry> levels{{"Whisperwood.exe", "#!/bin/sh\necho new\n", false, 0755}};
        for (int i = 0; i < 3000; ++i)
            levels.push_back({"Levels/" + QByteArray::number(i) + ".bin", randomBytes(16 * 1024)});
        QVERIFY(writeArchive(served(u"Whisperwood.U.1.4.3.0.zip"_s), levels));
        w.Library.LatestVersion[Whisperwood] = "1.4.3.0";
        bool cancelled = false;
        bool barShown = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
            if (!cancelled && w.JobStep == 2 && w.ProgressValue > 0) {
                cancelled = true;
                // A panel change brings back the bar and its spinner, not the withdrawn cancel button.
                t.navigate(2);
                barShown = !w.DLInfo->isHidden() && !w.AniInd->isHidden() && w.BtnCancel->isHidden();
                w.LogOutBtnClick();
            }
        });
        watch.start(1);
        t.select(Whisperwood);
        w.UpdateSelectedGame();
        QVERIFY(t.tickUntil([&] { return cancelled && jobIdle(w); }));
        QVERIFY(barShown);
        QVERIFY2(t.chat().contains(u"The update of Whisperwood was cancelled; the game stays as it was."_s),
                 qPrintable(t.chat()));
        QCOMPARE(installedVersion(t, Whisperwood), before);
        QVERIFY(!QFile::exists(t.path(u"Games/Whisperwood/Levels"_s)));
        QTRY_VERIFY(!QFile::exists(t.path(u"Temp"_s)));
        t.logInByHand();
    }

    // Last: the window ends.
    void leavingDuringExtractionStopsIt() {
        TMainForm &w = *t.form;
        // Once the first entries are out, the player leaves and the final shutdown comes.
        bool left = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
            if (left || w.JobStep != 2 || w.ProgressValue <= 0)
                return;
            left = true;
            w.BtnExitClick();
            w.AppEndTimerTimer();
        });
        watch.start(1);
        t.select(SkylineSprint);
        w.BtnInstallClick();
        QVERIFY(t.tickUntil([&] { return left; }));
        // The writer stopped before the archive's end.
        QVERIFY2(w.ProgressValue < w.ProgressMax, qPrintable(QString::number(w.ProgressValue)));
        QCOMPARE(t.exitCodes, QList<int>{0});
        QVERIFY(!QFile::exists(t.path(u"Games/SkylineSprint"_s)));
        QVERIFY(!QFile::exists(t.path(u"Temp/.unpacked"_s)));
    }
};

QTEST_MAIN(InstallTest)
#include "InstallTest.moc"
