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
        QTest::addColumn<QString>("buttons");

        const auto row = [](const char *name) -> QTestData & { return QTest::newRow(name); };
        row("same version") << true << false << false << QByteArray("1.2.0.3") << QByteArray("1.2.0.3")
                            << QStringLiteral("-PpDd 1 ButtonPlay");
        row("newer announced") << true << false << false << QByteArray("1.2.0.3") << QByteArray("1.2.0.4")
                               << QStringLiteral("-PpDd 2 ButtonUpdate");
        row("installed newer than announced")
            << true << false << false << QByteArray("1.2.0.5") << QByteArray("1.2.0.4")
            << QStringLiteral("-PpDd 2 ButtonUpdate");
        row("no version record, nothing announced yet")
            << true << false << false << QByteArray() << QByteArray() << QStringLiteral("-PpDd 1 ButtonPlay");
        row("no version record, NoVer") << true << false << false << QByteArray() << QByteArray("NoVer")
                                        << QStringLiteral("-PpDd 1 ButtonPlay");
        row("no version record, a version announced")
            << true << false << false << QByteArray() << QByteArray("1.0")
            << QStringLiteral("-PpDd 2 ButtonUpdate");
        row("service answered Unknown") << true << false << false << QByteArray("1.0")
                                        << QByteArray("Unknown") << QStringLiteral("-PpDd 2 ButtonUpdate");
        row("NoVer is case-sensitive") << true << false << false << QByteArray("1.0") << QByteArray("nover")
                                       << QStringLiteral("-PpDd 2 ButtonUpdate");
        row("window open") << true << true << false << QByteArray("1.0") << QByteArray("1.0")
                           << QStringLiteral("-P-D- 1 ButtonPlay");
        row("installed while a job runs") << true << false << true << QByteArray("1.0") << QByteArray("1.0")
                                          << QStringLiteral("-PpDd 1 ButtonPlay");
        row("not installed") << false << false << false << QByteArray() << QByteArray("1.0")
                             << QStringLiteral("I---- 1 -");
        row("not installed while another game downloads")
            << false << false << true << QByteArray() << QByteArray("1.0") << QStringLiteral("----- 1 -");
    }

    void decidesTheActionButtons() {
        QFETCH(bool, installed);
        QFETCH(bool, running);
        QFETCH(bool, busy);
        QFETCH(QByteArray, installedVersion);
        QFETCH(QByteArray, latestVersion);
        const GameActionState s =
            DecideGameActions(installed, running, busy, installedVersion, latestVersion);
        const auto flag = [](bool on, char c) { return on ? QChar(QLatin1Char(c)) : QChar(u'-'); };
        QString buttons;
        buttons += flag(s.InstallVisible, 'I');
        buttons += flag(s.PlayVisible, 'P');
        buttons += flag(s.PlayEnabled, 'p');
        buttons += flag(s.DeleteVisible, 'D');
        buttons += flag(s.DeleteEnabled, 'd');
        buttons += u' ' + QString::number(int(s.Mode)) + u' ';
        buttons += s.PlayPicture
                       ? QString::fromLatin1(s.PlayPicture->data(), qsizetype(s.PlayPicture->size()))
                       : QStringLiteral("-");
        QTEST(buttons, "buttons");
    }
};

QTEST_GUILESS_MAIN(VersionStateTest)
#include "VersionStateTest.moc"
