// Installing and updating demo games through the window, from the real reference service: the
// download, the extraction and the finishing steps, driven tick by tick.
#include "MainFormFixture.h"
#include "RunningService.h"
#include "ServedWindow.h"
#include "core/DownloadReadout.h"
#include "core/FileVersion.h"
#include "core/GameCatalogue.h"
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"
#include "gui/controls/ProgressBar.h"
#include "platform/ZipExtractor.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

constexpr qint16 EmberHollow = 0;
constexpr qint16 TidebreakerTactics = 1;
constexpr qint16 StarfallDrift = 2;
constexpr qint16 IronMeadow = 3;
constexpr qint16 Hexbound = 4;
constexpr qint16 CinderVale = 5;
constexpr qint16 PocketArmada = 6;
constexpr qint16 Whisperwood = 7;
constexpr qint16 SkylineSprint = 8;
const QString PlayerEmail = u"player@example.com"_s;
const QString PlayerPassword = u"pass word"_s;

QString exePath(ServedWindow &w, qint16 game) {
    return w.workingPath(QString::fromUtf8(GameLibrary::ExePath(game)));
}

QByteArray installedVersion(ServedWindow &w, qint16 game) {
    return ReadFileVersion(QFile::encodeName(exePath(w, game)));
}

// What the bar and the read-out showed, every time they changed.
struct Sample {
    double max;
    double value;
    QByteArray status;
    QByteArray size;
};

class Recorder {
public:
    explicit Recorder(TMainForm &form)
        : m_form(form) {
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { take(); });
        m_timer.start(0);
    }
    void take() {
        const Sample now{m_form.ProgressMax, m_form.ProgressValue, m_form.StatusLine, m_form.SizeLine};
        if (samples.isEmpty() || samples.last().max != now.max || samples.last().value != now.value ||
            samples.last().status != now.status || samples.last().size != now.size)
            samples << now;
    }
    QList<Sample> samples;

private:
    TMainForm &m_form;
    QTimer m_timer;
};

bool jobIdle(const TMainForm &w) {
    return w.PendingJob == 0 && !w.JobBusy && w.DownloadIdle;
}

} // namespace

class InstallTest : public QObject {
    Q_OBJECT

    RunningService m_service;
    QString m_url;
    qint64 m_emberSize = 0;

    // Installs a game through the window and waits for the job to end; false when it did not.
    bool install(ServedWindow &w, qint16 game) {
        w.selectGame(game);
        w.form->BtnInstallClick();
        return w.tickUntil([&] { return jobIdle(*w.form); });
    }

    // Whisperwood 1.4.0.7 in its folder as an earlier installation left it.
    [[nodiscard]] bool unpackServedWhisperwood(ServedWindow &w) const {
        const ZipExtractResult unpacked = ZipExtractor::extract(
            QDir(ServedWindow::downloadDir(m_service)).filePath(u"Whisperwood.zip"_s),
            w.workingPath(u"Games/Whisperwood"_s), [](const QByteArray &, quint32, quint32, qint64) {});
        if (!unpacked.ok)
            qWarning("%s", qPrintable(unpacked.error));
        return unpacked.ok;
    }

private Q_SLOTS:
    void initTestCase() {
        const QString started = ServedWindow::startService(m_service);
        QVERIFY2(started.isEmpty(), qPrintable(started));
        m_url = ServedWindow::baseUrl(m_service);
        const RunningService::Outcome added =
            m_service.admin({u"user"_s, u"add"_s, PlayerEmail, PlayerPassword, u"Player"_s});
        QVERIFY2(added.exitCode == 0, qPrintable(added.describe()));
        const QDir download(ServedWindow::downloadDir(m_service));

        // Ember Hollow with a few MB of game data, so that the download counts whole MB.
        const QString ember = download.filePath(u"EmberHollow.zip"_s);
        QVERIFY(addToArchive(ember, {"Data/music.bin", randomBytes(3 * 1024 * 1024 + 200 * 1024)}));
        m_emberSize = QFileInfo(ember).size();

        // An error page where Iron Meadow's archive should be.
        QFile page(download.filePath(u"IronMeadow.zip"_s));
        QVERIFY(page.open(QIODevice::WriteOnly | QIODevice::Truncate));
        page.write(QByteArray("<html><body>502 Bad Gateway</body></html>\n").repeated(40));
        page.close();

        // Starfall Drift's archive with its packed data damaged past its first entries.
        QFile damaged(download.filePath(u"StarfallDrift.zip"_s));
        QVERIFY(damaged.open(QIODevice::ReadWrite));
        QByteArray bytes = damaged.readAll();
        QVERIFY(bytes.size() > 4096);
        for (qsizetype i = bytes.size() / 2; i < bytes.size() / 2 + 64; ++i)
            bytes[i] = char(~bytes[i]);
        damaged.seek(0);
        damaged.write(bytes);
        damaged.close();

        // Hexbound's archive with entries that climb out of the game's folder.
        QVERIFY(writeArchive(download.filePath(u"Hexbound.zip"_s),
                             {{"Hexbound.exe", "#!/bin/sh\n", false, 0755},
                              {"../outside.txt", "outside the game"},
                              {"../../escaped.txt", "outside the launcher"}}));

        // Folders only for Pocket Armada: the extraction reports no progress at all.
        QVERIFY(writeArchive(download.filePath(u"PocketArmada.zip"_s),
                             {{"Data/", {}, true}, {"Data/Levels/", {}, true}}));

        // Skyline Sprint with 48 MB of level data: its extraction takes a while.
        const QString skyline = download.filePath(u"SkylineSprint.zip"_s);
        for (int i = 0; i < 24; ++i)
            QVERIFY(addToArchive(skyline,
                                 {"Levels/" + QByteArray::number(i) + ".bin", randomBytes(2 * 1024 * 1024)}));

        // Nothing at all for Cinder Vale.
        QFile empty(download.filePath(u"CinderVale.zip"_s));
        QVERIFY(empty.open(QIODevice::WriteOnly | QIODevice::Truncate));
    }

    void readOutOfTheWorkedExample() {
        ServedWindow w;
        QVERIFY(w.start(m_url));
        TMainForm &f = *w.form;
        f.DownloadSizeInfo = MeasureDownload(447 * 1024 * 1024 + 5);
        f.DownloadTitleText = DownloadTitleLine("Ember Hollow");
        f.DownloadIdle = false;
        f.DLInfo->show();

        bool abort = false;
        f.ApplyDownloadProgress(100 * 1024 * 1024, 2048, abort);
        QVERIFY(!abort);
        QCOMPARE(f.ProgressValue, 100.0);
        QCOMPARE(f.SizeLine, QByteArray("Size: (447 MB)       Downloaded: (100 MB)"));
        QCOMPARE(f.SpeedLine, QByteArray("Download speed: 2 MB/s"));
        QCOMPARE(f.RemainLine, QByteArray("Remain: 2:53 min."));
        w.tick();
        QCOMPARE(f.LabelGlobalSpeed->text(), u"Downloading:      Ember Hollow"_s);
        QCOMPARE(f.DLText1->text(), u"Size: (447 MB)       Downloaded: (100 MB)"_s);
        QCOMPARE(f.DLText2->text(), u"Download speed: 2 MB/s"_s);
        QCOMPARE(f.DLText3->text(), u"Remain: 2:53 min."_s);

        f.ApplyDownloadProgress(5000000, 1500, abort);
        QCOMPARE(f.ProgressValue, 4.0);
        QVERIFY(f.SizeLine.endsWith("Downloaded: (4.8 MB)"));
        QCOMPARE(f.SpeedLine, QByteArray("Download speed: 1.46 MB/s"));

        // No millisecond has passed yet: the figures that need the speed keep their last text.
        f.ApplyDownloadProgress(1, 0, abort);
        QVERIFY(f.SizeLine.endsWith("Downloaded: (0.1 MB)"));
        QCOMPARE(f.SpeedLine, QByteArray("Download speed: 1.46 MB/s"));
        QVERIFY(!abort);

        // Stopped: the next block is answered with abort and changes nothing.
        const QByteArray before = f.SizeLine;
        f.DownloadIdle = true;
        f.ApplyDownloadProgress(200 * 1024 * 1024, 2048, abort);
        QVERIFY(abort);
        QCOMPARE(f.SizeLine, before);
        QCOMPARE(f.ProgressValue, 0.0);
    }

    void installsAGameEndToEnd() {
        ServedWindow w;
        QVERIFY(w.start(m_url, true));
        TMainForm &f = *w.form;
        QVERIFY(w.logIn(PlayerEmail, PlayerPassword));
        f.MyGamesPosition = 4;
        w.selectGame(EmberHollow);

        Recorder recorder(f);
        f.BtnInstallClick();
        QVERIFY(!f.DLInfo->isHidden());
        QVERIFY(!f.BtnCancel->isHidden());
        QVERIFY(f.BtnInstall->isHidden());
        const double sizeMB = double(m_emberSize / (1024 * 1024));
        QVERIFY(sizeMB >= 3);
        QCOMPARE(f.ProgressMax, sizeMB);
        QVERIFY(w.tickUntil([&] { return jobIdle(f); }));
        recorder.take();

        // Whole MB while downloading, archive bytes while unpacking, 100 of 100 at the end.
        const QList<Sample> &s = recorder.samples;
        qsizetype i = 0;
        while (i < s.size() && s[i].max != sizeMB)
            ++i;
        QVERIFY2(i < s.size(), "no sample of the download in MB");
        double last = 0;
        bool sizeShown = false;
        for (; i < s.size() && s[i].max == sizeMB; ++i) {
            QVERIFY(s[i].value >= last && s[i].value <= sizeMB);
            last = s[i].value;
            sizeShown = sizeShown || s[i].size.startsWith("Size: (" + QByteArray::number(sizeMB) +
                                                          " MB)       Downloaded: (");
            if (!s[i].status.isEmpty() && s[i].status != "Downloading:      Ember Hollow")
                QCOMPARE(s[i].status, QByteArray("Installing:   Ember Hollow..."));
        }
        QVERIFY(sizeShown);
        QCOMPARE(last, sizeMB);
        QVERIFY2(i < s.size() && s[i].max == double(m_emberSize), "no sample of the extraction in bytes");
        bool archiveEnd = false;
        for (last = 0; i < s.size() && s[i].max == double(m_emberSize); ++i) {
            QVERIFY(s[i].value >= last);
            last = s[i].value;
            archiveEnd = archiveEnd || s[i].value == double(m_emberSize);
        }
        QVERIFY(archiveEnd);
        QVERIFY(i < s.size());
        QCOMPARE(s[i].max, 100.0);
        QCOMPARE(f.ProgressMax, 100.0);
        QCOMPARE(f.ProgressBarDownload->maximum(), 100.0f);

        const QFileInfo exe(exePath(w, EmberHollow));
        QVERIFY(exe.isFile());
        QVERIFY(exe.permissions() & QFile::ExeOwner);
        QCOMPARE(installedVersion(w, EmberHollow), QByteArray("1.0.0.0"));
        QVERIFY(QFileInfo(w.workingPath(u"Games/EmberHollow/Data/levels.dat"_s)).isFile());
        QCOMPARE(QFileInfo(w.workingPath(u"Games/EmberHollow/Data/music.bin"_s)).size(),
                 3 * 1024 * 1024 + 200 * 1024);
        QTRY_VERIFY(!QFile::exists(w.workingPath(u"Temp"_s)));
        QCOMPARE(f.MyGamesPosition, quint32(1));
        QCOMPARE(f.JobStep, quint16(1));
        QVERIFY(!f.StepReady);
        QVERIFY(f.DLInfo->isHidden());
    }

    void updatesAnOutdatedGame() {
        ServedWindow w;
        QVERIFY(w.start(m_url, true));
        TMainForm &f = *w.form;
        QVERIFY(w.logIn(PlayerEmail, PlayerPassword));
        QVERIFY(install(w, Whisperwood));
        QCOMPARE(installedVersion(w, Whisperwood), QByteArray("1.4.0.7"));

        // The service announces a newer Whisperwood with its next check; Play turns into Update.
        f.PostServerCheck();
        QTRY_VERIFY(f.ServerCheckIdle);
        QCOMPARE(f.Library.LatestVersion[Whisperwood], QByteArray("1.4.1.0"));
        QCOMPARE(f.BtnPlay->tag(), 2);
        f.MyGamesPosition = 2;
        Recorder recorder(f);
        f.UpdateSelectedGame();
        QVERIFY(f.JobBusy);
        QVERIFY(f.DownloadJobFile.endsWith(u"/Temp/Whisperwood.U.1.4.1.0.zip"_s));
        QVERIFY(w.tickUntil([&] { return jobIdle(f); }));

        QCOMPARE(installedVersion(w, Whisperwood), QByteArray("1.4.1.0"));
        QVERIFY(QFileInfo(exePath(w, Whisperwood)).permissions() & QFile::ExeOwner);
        QVERIFY(!QFile::exists(w.workingPath(u"Temp/Whisperwood.U.1.4.1.0.zip"_s)));
        QCOMPARE(f.MyGamesPosition, quint32(2));
        bool announced = false;
        for (const Sample &s : recorder.samples)
            announced = announced || s.status == "Updating   Whisperwood...";
        QVERIFY(announced);
        QVERIFY2(!w.chat().contains(u"failed"_s), qPrintable(w.chat()));
        QVERIFY(f.LoggedIn);
    }

    void finishesTheGameItStarted() {
        ServedWindow w;
        QVERIFY(w.start(m_url));
        TMainForm &f = *w.form;
        f.LoggedIn = true;
        // An installed Whisperwood that the service says is out of date: its Play button updates.
        QVERIFY(unpackServedWhisperwood(w));
        f.Library.LatestVersion[Whisperwood] = "1.4.1.0";

        w.selectGame(TidebreakerTactics);
        f.BtnInstallClick();
        QVERIFY(f.JobBusy);
        // The player moves on to Whisperwood in update mode while the launcher's own update is on offer.
        w.selectGame(Whisperwood);
        QCOMPARE(f.BtnPlay->tag(), 2);
        // Its update has to wait: a second download would share the job state and Temp.
        f.UpdateSelectedGame();
        QCOMPARE(w.chat(), u"Please wait until the current job is finished!"_s);
        f.BtnUpdate->show();
        QVERIFY(w.tickUntil([&] { return jobIdle(f); }));

        QCOMPARE(installedVersion(w, TidebreakerTactics), QByteArray("1.2.0.0"));
        QCOMPARE(installedVersion(w, Whisperwood), QByteArray("1.4.0.7"));
        QVERIFY(!QFile::exists(w.workingPath(u"Temp/TidebreakerTactics.zip"_s)));
        QVERIFY(!f.Exiting());
        QVERIFY(w.fixture.exitCodes.isEmpty());
        QCOMPARE(f.SelectedGame, Whisperwood);
    }

    void failedUpdateLeavesTheGameAsItWas() {
        ServedWindow w;
        QVERIFY(w.start(m_url));
        TMainForm &f = *w.form;
        f.LoggedIn = true;
        QVERIFY(unpackServedWhisperwood(w));
        QFile exe(exePath(w, Whisperwood));
        QVERIFY(exe.open(QIODevice::ReadOnly));
        const QByteArray exeBefore = exe.readAll();
        exe.close();

        // An update whose new executable comes out whole before its data turns out damaged.
        const QString update =
            QDir(ServedWindow::downloadDir(m_service)).filePath(u"Whisperwood.U.1.4.2.0.zip"_s);
        QVERIFY(writeArchive(update, {{"Whisperwood.exe", "#!/bin/sh\necho new\n", false, 0755},
                                      {"Data/levels.bin", randomBytes(2 * 1024 * 1024)}}));
        QFile damaged(update);
        QVERIFY(damaged.open(QIODevice::ReadWrite));
        QVERIFY(damaged.seek(damaged.size() / 2));
        QVERIFY(damaged.write(QByteArray(64, '\x5a')) == 64);
        damaged.close();

        f.Library.LatestVersion[Whisperwood] = "1.4.2.0";
        w.selectGame(Whisperwood);
        QCOMPARE(f.BtnPlay->tag(), 2);
        f.UpdateSelectedGame();
        QVERIFY(w.tickUntil([&] { return jobIdle(f); }));

        QVERIFY2(w.chat().contains(u"The update of Whisperwood failed: "_s), qPrintable(w.chat()));
        QVERIFY(exe.open(QIODevice::ReadOnly));
        QVERIFY(exe.readAll() == exeBefore);
        QCOMPARE(installedVersion(w, Whisperwood), QByteArray("1.4.0.7"));
        QVERIFY(!QFile::exists(w.workingPath(u"Games/Whisperwood/Data/levels.bin"_s)));
        QTRY_VERIFY(!QFile::exists(w.workingPath(u"Temp"_s)));
        QCOMPARE(f.BtnPlay->tag(), 2);
    }

    void leavingDuringExtractionStopsIt() {
        ServedWindow w;
        QVERIFY(w.start(m_url));
        TMainForm &f = *w.form;
        f.LoggedIn = true;
        // Once the first entries are out, the player leaves and the final shutdown comes.
        bool left = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
            if (left || f.JobStep != 2 || f.ProgressValue <= 0)
                return;
            left = true;
            f.BtnExitClick();
            f.AppEndTimerTimer();
        });
        watch.start(1);
        w.selectGame(SkylineSprint);
        f.BtnInstallClick();
        QVERIFY(w.tickUntil([&] { return left; }));
        // ExtractArchive has returned: the writer stopped well before the archive's end.
        QVERIFY2(f.ProgressValue < f.ProgressMax / 2, qPrintable(QString::number(f.ProgressValue)));
        QCOMPARE(w.fixture.exitCodes, QList<int>{0});
        QVERIFY(!QFile::exists(w.workingPath(u"Games/SkylineSprint"_s)));
        QVERIFY(!QFile::exists(w.workingPath(u"Temp/.unpacked"_s)));
        QVERIFY2(!w.chat().contains(u"failed"_s), qPrintable(w.chat()));
    }

    void unusableArchiveIsReported_data() {
        QTest::addColumn<qint16>("game");
        QTest::newRow("an error page") << IronMeadow;
        QTest::newRow("damaged data") << StarfallDrift;
    }

    void unusableArchiveIsReported() {
        QFETCH(qint16, game);
        const GameEntry &entry = GameCatalogue()[std::size_t(game)];
        const QString title = QString::fromLatin1(entry.Title.data(), qsizetype(entry.Title.size()));
        const QString archive =
            u"Temp/"_s + QLatin1StringView(entry.ArchiveName.data(), entry.ArchiveName.size());
        ServedWindow w;
        QVERIFY(w.start(m_url));
        TMainForm &f = *w.form;
        f.LoggedIn = true;
        QVERIFY(install(w, game));

        QVERIFY2(w.chat().contains(u"The installation of "_s + title + u" failed: "_s), qPrintable(w.chat()));
        QVERIFY(!QFile::exists(exePath(w, game)));
        QVERIFY(!QFile::exists(w.workingPath(archive)));
        QTRY_VERIFY(!QFile::exists(w.workingPath(u"Temp"_s)));
        QVERIFY(f.DLInfo->isHidden());
        QVERIFY(!f.BtnInstall->isHidden());
        QCOMPARE(f.JobStep, quint16(1));
    }

    void escapingEntriesWriteNothingOutside() {
        ServedWindow w;
        QVERIFY(w.start(m_url));
        TMainForm &f = *w.form;
        f.LoggedIn = true;
        QVERIFY(install(w, Hexbound));

        QVERIFY2(w.chat().contains(u"The installation of Hexbound failed: "_s), qPrintable(w.chat()));
        QVERIFY(!QFile::exists(w.workingPath(u"Games/outside.txt"_s)));
        QVERIFY(!QFile::exists(w.workingPath(u"escaped.txt"_s)));
        QVERIFY(!QFile::exists(w.workingPath(u"Games/Hexbound"_s)));
        QTRY_VERIFY(!QFile::exists(w.workingPath(u"Temp"_s)));
        QDirIterator files(w.fixture.folder.path(), QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString name = files.next();
            QVERIFY2(!name.endsWith(u"outside.txt"_s) && !name.endsWith(u"escaped.txt"_s), qPrintable(name));
        }
    }

    void archiveWithoutFilesStillFinishes() {
        ServedWindow w;
        QVERIFY(w.start(m_url));
        TMainForm &f = *w.form;
        f.LoggedIn = true;
        QVERIFY(install(w, PocketArmada));

        QVERIFY(QFileInfo(w.workingPath(u"Games/PocketArmada/Data/Levels"_s)).isDir());
        QVERIFY(!QFile::exists(exePath(w, PocketArmada)));
        QVERIFY(w.chat().isEmpty());
        QTRY_VERIFY(!QFile::exists(w.workingPath(u"Temp"_s)));
        QVERIFY(!f.BtnInstall->isHidden());
    }

    void emptyTransfersRestartABoundedNumberOfTimes() {
        ServedWindow w;
        QVERIFY(w.start(m_url));
        TMainForm &f = *w.form;
        f.LoggedIn = true;
        QVERIFY(install(w, CinderVale));

        const QString chat = w.chat();
        for (int run = 1; run <= 3; ++run)
            QVERIFY2(
                chat.contains(
                    u"The server sent no data for Cinder Vale Online; trying again (%1 of 3)."_s.arg(run)),
                qPrintable(chat));
        QVERIFY2(chat.contains(u"the server sent no data (4 tries)"_s), qPrintable(chat));
        QVERIFY(f.DLInfo->isHidden());
        QVERIFY(!QFile::exists(w.workingPath(u"Temp/CinderVale.zip"_s)));
        QVERIFY(!QFile::exists(exePath(w, CinderVale)));
    }
};

QTEST_MAIN(InstallTest)
#include "InstallTest.moc"
