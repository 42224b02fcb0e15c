// Downloads of the real window from the reference service (nginx over HTTPS on a loopback port): a
// download cancelled between two blocks, and the launcher's self-update end to end, where the
// downloaded setup replaces the launcher in the window's folder and starts it as the next version.
#include "TestXServer.h"
#include "GameFolders.h"
#include "MainFormFixture.h"
#include "RunningService.h"
#include "core/FileVersion.h"
#include "gui/controls/PictureControl.h"
#include "net/DownloadClient.h"
#include "platform/WindowFinder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {

constexpr int Hexbound = 4;

struct ServedWindow {
    MainFormFixture f;

    bool start(quint16 port) {
        return f.startWithSkin(
            [port](MainFormDependencies &d) { d.serviceBaseUrl = u"https://localhost:%1"_s.arg(port); });
    }

    void tick(quint32 ms) {
        f.clock->advance(ms);
        f.form->EngineTimerTimer();
    }
};

} // namespace

class CancelAndSelfUpdateTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_runtime.isValid());
        // The setup and the launcher it starts take the single-instance lock here, not in the
        // runtime folder of whoever runs the suite.
        QVERIFY(
            QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));

        const QString initError = m_service.init();
        QVERIFY2(initError.isEmpty(), qPrintable(initError));
        // Large enough that it cannot arrive in the few blocks before the cancel; sparse, so cheap.
        QFile archive(QDir(m_service.dataDir()).filePath(u"www/download/Hexbound.zip"_s));
        QVERIFY(archive.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(archive.resize(qint64(512) * 1024 * 1024));
        archive.close();
        const QString startError = m_service.start();
        QVERIFY2(startError.isEmpty(), qPrintable(startError));
    }

    void cancelBetweenBlocksNeitherFinishesNorRestarts() {
        ServedWindow w;
        QVERIFY(w.start(m_service.port()));
        TMainForm &form = *w.f.form;
        form.LoggedIn = true;
        form.SelectedGame = Hexbound;
        form.RefreshGameStates();
        form.BtnInstallClick();
        QVERIFY(!form.DownloadIdle);
        QVERIFY(form.JobBusy);
        QVERIFY(!form.BtnCancel->isHidden());

        // The first block's read-out, then Cancel before the transfer can end.
        QTRY_VERIFY_WITH_TIMEOUT(!form.SizeLine.isEmpty(), 30000);
        Q_EMIT form.BtnCancel->clicked();
        QVERIFY(form.DownloadIdle);
        QVERIFY(!form.JobBusy);
        QVERIFY(form.DeleteTimer->isActive());
        QVERIFY(QFileInfo::exists(w.f.path(u"Temp"_s)));

        QTRY_VERIFY_WITH_TIMEOUT(form.NetDownload && form.NetDownload->isIdle(), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(w.f.path(u"Temp"_s)), 10000);
        QVERIFY(form.DLInfo->isHidden());
        for (int i = 0; i < 10; ++i)
            w.tick(31);
        QCOMPARE(form.PendingJob, quint16(0));
        QVERIFY(form.DownloadIdle);
        QVERIFY(!form.JobBusy);
        QVERIFY(form.NetDownload->isIdle());
        QVERIFY(!QFileInfo::exists(w.f.path(u"Games/Hexbound"_s)));
    }

    void closingDuringADownloadStopsItAndCleansUp() {
        ServedWindow w;
        QVERIFY(w.start(m_service.port()));
        TMainForm &form = *w.f.form;
        form.LoggedIn = true;
        form.SelectedGame = Hexbound;
        form.RefreshGameStates();
        form.BtnInstallClick();
        QTRY_VERIFY_WITH_TIMEOUT(!form.SizeLine.isEmpty(), 30000);

        form.BtnExitClick();
        // The final shutdown stops the transfer and removes Temp before the program ends.
        QTRY_COMPARE_WITH_TIMEOUT(w.f.exitCodes, QList<int>{0}, 10000);
        QVERIFY(form.DownloadIdle);
        QTRY_VERIFY_WITH_TIMEOUT(form.NetDownload->isIdle(), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(w.f.path(u"Temp"_s)), 10000);
        QCOMPARE(form.PendingJob, quint16(0));
        QVERIFY(!QFileInfo::exists(w.f.path(u"Games/Hexbound"_s)));
    }

    void selfUpdateComesBackAsTheNextVersion() {
        TestXServer x;
        const QString started = x.start();
        QVERIFY2(started.isEmpty(), qPrintable(started));
        const auto onTheTestsDisplay = GameFolders::childrenOnDisplay(x.displayName());
        ServedWindow w;
        const QString launcher = w.f.path(u"Quillbarrow.exe"_s);
        QVERIFY(QFile::copy(QStringLiteral(LAUNCHER_EXE), launcher));
        QVERIFY(w.start(m_service.port()));
        TMainForm &form = *w.f.form;
        QCOMPARE(form.LauncherVersion, "1.0.0.8"_ba);
        // Logged out: the server check logs out a launcher that is out of date.
        QVERIFY(!form.LoggedIn);

        Q_EMIT form.BtnUpdate->clicked();
        QVERIFY(form.JobBusy);
        QVERIFY(!form.DLInfo->isHidden());
        QTRY_COMPARE_WITH_TIMEOUT(form.PendingJob, quint16(1), 60000);
        QCOMPARE(form.StatusLine, "Downloading:      Quillbarrow Install Program"_ba);
        const QString setup = w.f.path(u"Temp/QuillbarrowSetup.exe"_s);
        QCOMPARE(
            QFileInfo(setup).size(),
            QFileInfo(QDir(m_service.dataDir()).filePath(u"www/download/QuillbarrowSetup.exe"_s)).size());

        w.tick(31);
        QCOMPARE(form.StatusLine, "Updating Quillbarrow..."_ba);
        QCOMPARE(form.LabelGlobalSpeed->text(), u"Updating Quillbarrow..."_s);
        QVERIFY(form.BtnCancel->isHidden());
        QVERIFY(form.Exiting());
        QVERIFY(!form.EngineTimer->isActive());
        w.tick(31); // a late tick does not start the setup twice
        QCOMPARE(form.PendingJob, quint16(0));
        QTRY_COMPARE_WITH_TIMEOUT(w.f.exitCodes, QList<int>{0}, 10000);

        // The setup waits for the launcher's end, replaces its files and starts the new one.
        QTRY_COMPARE_WITH_TIMEOUT(ReadFileVersion(QFile::encodeName(launcher)), "1.0.0.9"_ba, 60000);
        WindowFinder finder(x.displayName());
        QTRY_VERIFY_WITH_TIMEOUT(finder.exists("Quillbarrow   v1.0.0.9"), 60000);
        const QList<qint64> running = GameFolders::processesOf(launcher);
        QCOMPARE(running.size(), 1);
        QCOMPARE(::kill(pid_t(running.first()), SIGTERM), 0);
        QTRY_VERIFY_WITH_TIMEOUT(GameFolders::processesOf(launcher).isEmpty(), 30000);
    }

private:
    QTemporaryDir m_runtime;
    RunningService m_service;
};

QTEST_MAIN(CancelAndSelfUpdateTest)
#include "CancelAndSelfUpdateTest.moc"
