// Download jobs of the real window against the real reference service: what stops one before it
// starts, one job at a time, cancel, close, the service dying mid-transfer, and the launcher's
// self-update end to end (the new launcher opens on an X server of the test's own).
#include "RunningService.h"
#include "TestWindow.h"
#include "TestXServer.h"
#include "core/FileVersion.h"
#include "core/InstallNames.h"
#include "gui/controls/PictureControl.h"
#include "gui/dialogs/MessageDialog.h"
#include "net/DownloadClient.h"
#include "platform/WindowFinder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {

constexpr qint16 EmberHollow = 0; // served as 512 MB as well
constexpr qint16 TidebreakerTactics = 1;
constexpr qint16 Hexbound = 4; // served as 512 MB (sparse): it never arrives while a test waits
constexpr qint16 Whisperwood = 7;
const QString StillBusy = u"Please wait until the current job is finished!"_s;

bool jobIdle(const TMainForm &w) {
    return w.PendingJob == 0 && !w.JobBusy && w.DownloadIdle;
}

} // namespace

// One service for the class and one window logged in by hand; the last case kills the service.
class DownloadJobTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_runtime;
    RunningService m_service;
    TestWindow t;

    // Starts an endless download and waits for its first block.
    bool startEndlessDownload(TestWindow &window, qint16 game = Hexbound) {
        window.select(game);
        window.form->BtnInstallClick();
        return QTest::qWaitFor([&] { return !window.form->SizeLine.isEmpty(); }, 30000);
    }

private Q_SLOTS:
    void initTestCase() {
        // The setup and the launcher it starts take the single-instance lock here, not in the
        // runtime folder of whoever runs the suite.
        QVERIFY(m_runtime.isValid());
        QVERIFY(
            QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        const QString started = startTestService(m_service);
        QVERIFY2(started.isEmpty(), qPrintable(started));
        for (const QString &name : {u"Hexbound.zip"_s, u"EmberHollow.zip"_s}) {
            QFile archive(QDir(downloadDir(m_service)).filePath(name));
            QVERIFY(archive.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QVERIFY(archive.resize(qint64(512) * 1024 * 1024));
        }
        t.serviceUrl = serviceUrl(m_service);
        QVERIFY(t.start());
        t.logInByHand();
    }

    void refusedBeforeTheDownload() {
        TestWindow r;
        r.serviceUrl = u"https://127.0.0.1:1"_s; // nothing listens there
        QVERIFY(r.start());
        TMainForm &w = *r.form;
        w.MessageForm = new TMessageForm(w);
        r.select(EmberHollow);
        w.BtnInstallClick();
        QCOMPARE(r.chat(), u"You need to LogIn!"_s);

        // Exactly the requirement is too little, and so is no answer of the file system.
        r.logInByHand();
        for (const std::optional<qint64> free :
             {std::optional(RequiredInstallSpace(EmberHollow)), std::optional<qint64>()}) {
            r.freeBytes = free;
            QString shown;
            QTimer::singleShot(0, &w, [&] {
                shown = w.MessageForm->isVisible() ? w.MessageForm->CreditsTxt->text() : QString();
                QTest::keyClick(w.MessageForm, Qt::Key_Return);
            });
            w.BtnInstallClick();
            QCOMPARE(shown, u"You don't have enough free space on this disk drive to install the game !"_s);
        }
        QVERIFY(jobIdle(w) && w.DLInfo->isHidden());
        QVERIFY(!QFile::exists(r.path(u"Temp"_s)));

        r.freeBytes = RequiredInstallSpace(EmberHollow) + 1;
        w.BtnInstallClick();
        QVERIFY(r.chat().endsWith(
            u"Can't reach the download server for Ember Hollow: the server refused the connection."_s));
        QCOMPARE(r.sounds->lastPlayed(), u"SndError"_s);
        QVERIFY(jobIdle(w) && w.DLInfo->isHidden() && w.BtnCancel->isHidden());
    }

    // Install, update, removal and self-update are each refused while another job runs; the job under
    // way finishes the game it started.
    void oneJobAtATime() {
        TMainForm &w = *t.form;
        QVERIFY(t.installGame(Whisperwood));
        w.Library.LatestVersion[Whisperwood] = "1.4.1.0";
        t.select(TidebreakerTactics);
        w.BtnInstallClick();
        QVERIFY(w.JobBusy);
        t.select(Hexbound);
        w.BtnInstallClick();
        t.select(Whisperwood);
        QCOMPARE(w.BtnPlay->tag(), 2);
        w.UpdateSelectedGame();
        Q_EMIT w.BtnDelete->clicked();
        Q_EMIT w.BtnUpdate->clicked();
        QCOMPARE(t.chat(), QStringList(4, StillBusy).join(u'\n'));
        QCOMPARE(w.PendingJob, quint16(0));
        QVERIFY(t.tickUntil([&] { return jobIdle(w); }));

        QCOMPARE(ReadFileVersion(QFile::encodeName(t.exePath(TidebreakerTactics))), "1.2.0.0"_ba);
        QVERIFY(!QFile::exists(t.path(u"Games/Hexbound"_s)));
        QVERIFY(QFile::exists(t.exePath(Whisperwood)));
        QCOMPARE(w.SelectedGame, Whisperwood);
    }

    void cancelNeitherFinishesNorRestarts() {
        TMainForm &w = *t.form;
        QVERIFY(startEndlessDownload(t));
        QVERIFY(w.JobBusy && !w.BtnCancel->isHidden());
        Q_EMIT w.BtnCancel->clicked();
        QVERIFY(w.DownloadIdle && !w.JobBusy);
        // The next job, started before the cancel's clean-up was due, keeps its file and its bar.
        QVERIFY(startEndlessDownload(t, EmberHollow));
        QTest::qWait(2 * w.DeleteTimer->interval());
        QVERIFY(QFile::exists(t.path(u"Temp/EmberHollow.zip"_s)) && !w.DLInfo->isHidden() && w.JobBusy);
        Q_EMIT w.BtnCancel->clicked();
        QTRY_VERIFY_WITH_TIMEOUT(w.NetDownload->isIdle(), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(t.path(u"Temp"_s)), 10000);
        QVERIFY(w.DLInfo->isHidden());
        for (int i = 0; i < 10; ++i)
            t.tick();
        QVERIFY(jobIdle(w));
        QVERIFY(!QFileInfo::exists(t.path(u"Games/Hexbound"_s)));
    }

    void closingDuringADownloadStopsItAndCleansUp() {
        TestWindow c;
        c.serviceUrl = serviceUrl(m_service);
        QVERIFY(c.start());
        c.logInByHand();
        TMainForm &w = *c.form;
        QVERIFY(startEndlessDownload(c));
        w.BtnExitClick();
        // The final shutdown stops the transfer and removes Temp before the program ends.
        QTRY_COMPARE_WITH_TIMEOUT(c.exitCodes, QList<int>{0}, 10000);
        QVERIFY(w.DownloadIdle);
        QTRY_VERIFY_WITH_TIMEOUT(w.NetDownload->isIdle(), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(c.path(u"Temp"_s)), 10000);
        QVERIFY(!QFileInfo::exists(c.path(u"Games/Hexbound"_s)));
    }

    void selfUpdateComesBackAsTheNextVersion() {
        TestXServer x;
        const QString started = x.start();
        QVERIFY2(started.isEmpty(), qPrintable(started));
        const auto onTheTestsDisplay = childrenOnDisplay(x.displayName());
        TestWindow s;
        // Copies of their own: the setup replaces them.
        for (const char *name : {"Quillbarrow.exe", "Quillbarrow01.dll", "Quillbarrow02.dll"})
            QVERIFY(QFile::copy(QStringLiteral(LAUNCHER_DIR "/") + QLatin1String(name),
                                s.path(QLatin1String(name))));
        s.serviceUrl = serviceUrl(m_service);
        QVERIFY(s.start());
        TMainForm &w = *s.form;
        QCOMPARE(w.LauncherVersion, "1.0.0.8"_ba);

        Q_EMIT w.BtnUpdate->clicked();
        QVERIFY(w.JobBusy && !w.DLInfo->isHidden());
        QTRY_COMPARE_WITH_TIMEOUT(w.PendingJob, quint16(1), 60000);
        QCOMPARE(QFileInfo(s.path(u"Temp/QuillbarrowSetup.exe"_s)).size(),
                 QFileInfo(QDir(downloadDir(m_service)).filePath(u"QuillbarrowSetup.exe"_s)).size());
        s.tick();
        QCOMPARE(w.LabelGlobalSpeed->text(), u"Updating Quillbarrow..."_s);
        QVERIFY(w.BtnCancel->isHidden() && w.Exiting());
        s.tick(); // a late tick does not start the setup twice
        QTRY_COMPARE_WITH_TIMEOUT(s.exitCodes, QList<int>{0}, 10000);

        // The setup waits for the launcher's end, replaces its files and starts the new one.
        const QString launcher = s.path(u"Quillbarrow.exe"_s);
        QTRY_COMPARE_WITH_TIMEOUT(ReadFileVersion(QFile::encodeName(launcher)), "1.0.0.9"_ba, 60000);
        WindowFinder finder(x.displayName());
        QTRY_VERIFY_WITH_TIMEOUT(finder.exists("Quillbarrow   v1.0.0.9"), 60000);
        const QList<qint64> running = processesOf(launcher);
        QCOMPARE(running.size(), 1);
        QCOMPARE(::kill(pid_t(running.first()), SIGTERM), 0);
        QTRY_VERIFY_WITH_TIMEOUT(processesOf(launcher).isEmpty(), 30000);
    }

    // Last: the whole service dies at once, the app server and nginx with its workers.
    void serviceKilledMidDownload() {
        TMainForm &w = *t.form;
        // One immediate attempt to resume, not the player's half minute of them.
        w.PrepareDownloadClient();
        w.NetDownload->setResumeWaits({0});
        QVERIFY(startEndlessDownload(t));
        QVERIFY(w.ProgressValue < 512);
        const QList<qint64> nginx = m_service.nginxPids();
        QVERIFY(!nginx.isEmpty());
        m_service.serveProcess().kill();
        for (const qint64 pid : nginx)
            ::kill(pid_t(pid), SIGKILL);

        QTRY_VERIFY_WITH_TIMEOUT(jobIdle(w), 15000);
        QVERIFY2(t.chat().contains(u"The download of Hexbound was interrupted; resuming"_s) &&
                     t.chat().contains(u"The download of Hexbound failed"_s),
                 qPrintable(t.chat()));
        QCOMPARE(t.sounds->lastPlayed(), u"SndError"_s);
        QVERIFY(!QFile::exists(t.path(u"Temp/Hexbound.zip"_s)));
        QVERIFY(w.DLInfo->isHidden() && w.SizeLine.isEmpty());
        QVERIFY(!QFile::exists(t.path(u"Games/Hexbound"_s)));
        // Nothing is armed: the ticks that follow finish nothing.
        for (int i = 0; i < 5; ++i)
            t.tick();
        QVERIFY(jobIdle(w));
    }
};

QTEST_MAIN(DownloadJobTest)
#include "DownloadJobTest.moc"
