#include "core/VersionState.h"

#include <QTest>

class VersionStateTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decidesTheActionButtons_data() {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<QByteArray>("installedVersion");
        QTest::addColumn<QByteArray>("latestVersion");
        // install visible, play visible, play enabled, delete visible, delete enabled, mode, picture
        QTest::addColumn<QByteArray>("buttons");
        const auto row = [](const char *name, bool installed, bool running, bool busy, const char *version,
                            const char *latest, const char *buttons) {
            QTest::newRow(name) << installed << running << busy << QByteArray(version) << QByteArray(latest)
                                << QByteArray(buttons);
        };
        row("same version", true, false, false, "1.2.0.3", "1.2.0.3", "-PpDd 1 ButtonPlay");
        row("newer announced", true, false, false, "1.2.0.3", "1.2.0.4", "-PpDd 2 ButtonUpdate");
        row("installed newer than announced", true, false, false, "1.2.0.5", "1.2.0.4",
            "-PpDd 2 ButtonUpdate");
        row("no record, nothing announced yet", true, false, false, "", "", "-PpDd 1 ButtonPlay");
        row("no record, NoVer", true, false, false, "", "NoVer", "-PpDd 1 ButtonPlay");
        row("no record, a version announced", true, false, false, "", "1.0", "-PpDd 2 ButtonUpdate");
        row("service answered Unknown", true, false, false, "1.0", "Unknown", "-PpDd 2 ButtonUpdate");
        row("NoVer is case-sensitive", true, false, false, "1.0", "nover", "-PpDd 2 ButtonUpdate");
        row("window open", true, true, false, "1.0", "1.0", "-P-D- 1 ButtonPlay");
        row("installed while a job runs", true, false, true, "1.0", "1.0", "-PpDd 1 ButtonPlay");
        row("not installed", false, false, false, "", "1.0", "I---- 1 -");
        row("not installed while another game downloads", false, false, true, "", "1.0", "----- 1 -");
    }
    void decidesTheActionButtons() {
        QFETCH(bool, installed);
        QFETCH(bool, running);
        QFETCH(bool, busy);
        QFETCH(QByteArray, installedVersion);
        QFETCH(QByteArray, latestVersion);
        const GameActionState s =
            DecideGameActions(installed, running, busy, installedVersion, latestVersion);
        QByteArray buttons;
        for (const auto &[on, c] : {std::pair{s.InstallVisible, 'I'},
                                    {s.PlayVisible, 'P'},
                                    {s.PlayEnabled, 'p'},
                                    {s.DeleteVisible, 'D'},
                                    {s.DeleteEnabled, 'd'}})
            buttons += on ? c : '-';
        buttons += ' ' + QByteArray::number(int(s.Mode)) + ' ';
        QTEST(buttons +
                  (s.PlayPicture ? QByteArray(s.PlayPicture->data(), qsizetype(s.PlayPicture->size())) : "-"),
              "buttons");
    }
};

QTEST_GUILESS_MAIN(VersionStateTest)
#include "VersionStateTest.moc"
