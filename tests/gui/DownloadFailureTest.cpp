// What stops an installation before or during its download: no login, too little space, a server
// that cannot be reached or dies in the middle of the transfer.
#include "MainFormFixture.h"
#include "RunningService.h"
#include "ServedWindow.h"
#include "core/InstallNames.h"
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"
#include "gui/dialogs/MessageDialog.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {

constexpr qint16 EmberHollow = 0;
// Refused at once: nothing listens on port 1.
const QString Unreachable = u"https://127.0.0.1:1"_s;
constexpr char NoFreeSpace[] = "You don't have enough free space on this disk drive to install the game !";

bool jobIdle(const TMainForm &w) {
    return w.PendingJob == 0 && !w.JobBusy && w.DownloadIdle;
}

} // namespace

class DownloadFailureTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void notLoggedIn() {
        ServedWindow w;
        QVERIFY(w.start(Unreachable));
        TMainForm &f = *w.form;
        w.selectGame(EmberHollow);
        f.BtnInstallClick();

        QCOMPARE(w.chat(), u"You need to LogIn!"_s);
        QCOMPARE(w.fixture.sounds->lastPlayed(), u"SndError"_s);
        QVERIFY(jobIdle(f));
        QVERIFY(f.DLInfo->isHidden());
        QVERIFY(!QFile::exists(w.workingPath(u"Temp"_s)));
    }

    void tooLittleSpace_data() {
        // -1: no file system answers.
        QTest::addColumn<qint64>("free");
        QTest::newRow("exactly the requirement") << RequiredInstallSpace(EmberHollow);
        QTest::newRow("no file system answers") << qint64(-1);
    }

    void tooLittleSpace() {
        QFETCH(qint64, free);
        ServedWindow w;
        w.freeBytes = free < 0 ? std::nullopt : std::optional<qint64>(free);
        QVERIFY(w.start(Unreachable));
        TMainForm &f = *w.form;
        f.LoggedIn = true;
        w.selectGame(EmberHollow);

        bool shown = false;
        QString shownText;
        QString cue;
        QTimer::singleShot(0, &f, [&] {
            shown = f.MessageForm->isVisible();
            shownText = f.MessageForm->CreditsTxt->text();
            cue = w.fixture.sounds->lastPlayed();
            QTest::keyClick(f.MessageForm, Qt::Key_Return);
        });
        f.BtnInstallClick();

        QVERIFY(shown);
        QCOMPARE(shownText, QString::fromLatin1(NoFreeSpace));
        QCOMPARE(f.MessageText, QByteArray(NoFreeSpace));
        QCOMPARE(cue, u"SndError"_s);
        QVERIFY(!f.MessageForm->isVisible());
        QVERIFY(jobIdle(f));
        QVERIFY(f.DLInfo->isHidden());
        QVERIFY(!QFile::exists(w.workingPath(u"Temp"_s)));
        QVERIFY(w.chat().isEmpty());
    }

    void unreachableServerIsReported() {
        ServedWindow w;
        // One byte more than the requirement is enough.
        w.freeBytes = RequiredInstallSpace(EmberHollow) + 1;
        QVERIFY(w.start(Unreachable));
        TMainForm &f = *w.form;
        f.LoggedIn = true;
        w.selectGame(EmberHollow);
        f.BtnInstallClick();

        QVERIFY(f.MessageText.isEmpty());
        QCOMPARE(w.chat(),
                 u"Can't reach the download server for Ember Hollow: the server refused the connection."_s);
        QCOMPARE(w.fixture.sounds->lastPlayed(), u"SndError"_s);
        QVERIFY(jobIdle(f));
        QVERIFY(f.DLInfo->isHidden());
        QVERIFY(f.BtnCancel->isHidden());
        QVERIFY(!QFile::exists(w.workingPath(u"Temp/EmberHollow.zip"_s)));
    }

    void serverKilledMidDownload() {
        RunningService service;
        const QString started = ServedWindow::startService(service);
        QVERIFY2(started.isEmpty(), qPrintable(started));
        // A gigabyte (sparse on disk) that takes far longer than the test waits for its first blocks.
        QFile big(QDir(ServedWindow::downloadDir(service)).filePath(u"EmberHollow.zip"_s));
        QVERIFY(big.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(big.resize(qint64(1) << 30));
        big.close();

        ServedWindow w;
        QVERIFY(w.start(ServedWindow::baseUrl(service)));
        TMainForm &f = *w.form;
        f.LoggedIn = true;
        w.selectGame(EmberHollow);
        f.BtnInstallClick();
        QCOMPARE(f.ProgressMax, 1024.0);
        QTRY_VERIFY(f.SizeLine.startsWith("Size: (1024 MB)       Downloaded: ("));
        QVERIFY(f.ProgressValue < 1024);

        // The whole service dies at once: the app server and nginx with its workers.
        const QList<qint64> nginx = service.nginxPids();
        QVERIFY(!nginx.isEmpty());
        service.serveProcess().kill();
        for (const qint64 pid : nginx)
            ::kill(pid_t(pid), SIGKILL);

        QTRY_VERIFY_WITH_TIMEOUT(jobIdle(f), 15000);
        QVERIFY2(w.chat().startsWith(u"The download of Ember Hollow failed"_s), qPrintable(w.chat()));
        QCOMPARE(w.fixture.sounds->lastPlayed(), u"SndError"_s);
        QVERIFY(!QFile::exists(w.workingPath(u"Temp/EmberHollow.zip"_s)));
        QVERIFY(f.DLInfo->isHidden());
        QVERIFY(f.SizeLine.isEmpty());
        QCOMPARE(f.ProgressValue, 0.0);
        QVERIFY(!QFile::exists(w.workingPath(u"Games/EmberHollow"_s)));

        // Nothing is armed: the ticks that follow finish nothing.
        for (int i = 0; i < 5; ++i)
            w.tick();
        QVERIFY(jobIdle(f));
    }
};

QTEST_MAIN(DownloadFailureTest)
#include "DownloadFailureTest.moc"
