// What the window adds to the download: a setup program whose signature does not verify is never
// run, and the settings dialog's speed limit reaches its own file and the running download.
#include "RunningService.h"
#include "TestWindow.h"
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"
#include "gui/dialogs/ConfigDialog.h"
#include "net/DownloadClient.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

using namespace Qt::StringLiterals;

class DownloadSealsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        const QString error = startTestService(m_service);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void setupWithABadSignatureIsNotRun_data() {
        QTest::addColumn<QByteArray>("signature"); // empty: none published
        QTest::addColumn<QString>("why");
        QTest::newRow("wrong length") << QByteArray("not a signature") << u"is not one"_s;
        QTest::newRow("another key") << QByteArray(64, '\x5a') << u"does not match"_s;
        QTest::newRow("none published") << QByteArray() << u"no signature"_s;
    }

    void setupWithABadSignatureIsNotRun() {
        QFETCH(QByteArray, signature);
        QFETCH(QString, why);
        const QString sig = QDir(downloadDir(m_service)).filePath(u"QuillbarrowSetup.exe.sig"_s);
        QFile::remove(sig + u".good"_s);
        QVERIFY(QFile::copy(sig, sig + u".good"_s));
        QFile::remove(sig);
        if (!signature.isEmpty()) {
            QFile file(sig);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(signature) == signature.size());
        }
        TestWindow w;
        w.serviceUrl = serviceUrl(m_service);
        QVERIFY(w.start());
        TMainForm &f = *w.form;
        f.BtnUpdateClick();
        QVERIFY(w.tickUntil([&] { return f.PendingJob == 0 && !f.JobBusy; }));
        QFile::remove(sig);
        QVERIFY(QFile::rename(sig + u".good"_s, sig));

        QVERIFY2(w.chat().contains(u"setup program was not started"_s) && w.chat().contains(why),
                 qPrintable(w.chat()));
        QCOMPARE(w.sounds->lastPlayed(), u"SndError"_s);
        QVERIFY(!f.Exiting());
        QVERIFY(f.DownloadIdle && f.DLInfo->isHidden());
        QTRY_VERIFY(!QFile::exists(w.path(u"Temp/QuillbarrowSetup.exe"_s)));
    }

    void speedLimitIsStoredApartAndApplied() {
        TestWindow w;
        w.serviceUrl = serviceUrl(m_service);
        QVERIFY(w.start());
        TMainForm &f = *w.form;
        f.Config = new TConfig(f);
        f.PrepareDownloadClient();
        QCOMPARE(f.NetDownload->speedLimit(), 0);
        QFile table(w.path(u"config.dat"_s));
        const QByteArray before = table.open(QIODevice::ReadOnly) ? table.readAll() : QByteArray();
        table.close();

        f.Config->show();
        QCOMPARE(f.Config->SpinSpeedLimit->text(), u"Download limit: none"_s);
        f.Config->SpinSpeedLimit->setValue(7);
        QTest::mouseClick(f.Config->BtnOK, Qt::LeftButton);
        QCOMPARE(f.NetDownload->speedLimit(), 7 * 1024 * 1024);
        QFile own(w.path(u"Download.cfg"_s));
        QVERIFY(own.open(QIODevice::ReadOnly));
        QCOMPARE(own.readAll(), "speed-limit-mbps=7\n"_ba);
        QVERIFY(table.open(QIODevice::ReadOnly));
        QCOMPARE(table.readAll(), before);

        // Shown again from the file.
        f.Config->show();
        QCOMPARE(f.Config->SpinSpeedLimit->value(), 7);
    }

private:
    RunningService m_service;
};

QTEST_MAIN(DownloadSealsTest)
#include "DownloadSealsTest.moc"
