#include "core/FormBody.h"
#include "core/ServerCheckReply.h"
#include "core/ServerStateView.h"

#include <QTest>

namespace {

const QByteArray fullList = "1.0.0.5^1.0^1.1^1.2^1.3^1.4^1.5^1.6^1.7^1.8^1.9^2.0^2.1^2.2";

QList<QByteArray> versionsOf(const std::array<QByteArray, GameCount> &latest) {
    return QList<QByteArray>(latest.begin(), latest.end());
}

} // namespace

class ServerCheckTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsFixedPositions_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("state");
        QTest::addColumn<QByteArray>("versions");
        QTest::addColumn<bool>("logOut");
        QTest::addColumn<quint32>("ads");
        QTest::addColumn<quint16>("news");

        // Counts start at 7 and 9 below; a reply without decimal counts keeps them.
        QTest::newRow("online") << "ON!|xx|0003|002|" + fullList << QByteArray("ON") << fullList << false
                                << 3u << quint16(2);
        QTest::newRow("log-out request")
            << "ON!|LO|0010|004|" + fullList << QByteArray("ON") << fullList << true << 10u << quint16(4);
        QTest::newRow("service down") << QByteArray("OFF|xx|0000|000|1.0.0.5") << QByteArray("OFF")
                                      << QByteArray("1.0.0.5") << false << 0u << quint16(0);
        QTest::newRow("largest counts") << QByteArray("ON!|..|9999|999|v") << QByteArray("ON")
                                        << QByteArray("v") << false << 9999u << quint16(999);
        QTest::newRow("error page") << QByteArray("<html><head><title>502 Bad Gateway</title>")
                                    << QByteArray("Error") << QByteArray("Unknown") << false << 7u
                                    << quint16(9);
        QTest::newRow("empty body") << QByteArray() << QByteArray("Error") << QByteArray("Unknown") << false
                                    << 7u << quint16(9);
        QTest::newRow("state only") << QByteArray("ON!|") << QByteArray("ON") << QByteArray() << false << 7u
                                    << quint16(9);
        QTest::newRow("signed count") << QByteArray("ON!|xx|-001|+02|1") << QByteArray("ON")
                                      << QByteArray("1") << false << 7u << quint16(9);
        QTest::newRow("blank in count") << QByteArray("ON!|xx|0 03|0 2|1") << QByteArray("ON")
                                        << QByteArray("1") << false << 7u << quint16(9);
        QTest::newRow("counts of an error reply still read")
            << QByteArray("ERR|LO|0005|006|x") << QByteArray("Error") << QByteArray("Unknown") << true << 5u
            << quint16(6);
        QTest::newRow("lower-case state") << QByteArray("on!|xx|0001|001|1") << QByteArray("Error")
                                          << QByteArray("Unknown") << false << 1u << quint16(1);
    }

    void readsFixedPositions() {
        QFETCH(QByteArray, reply);
        const ServerCheckReply parsed = ParseServerCheckReply(reply);
        QTEST(parsed.ServerState, "state");
        QTEST(parsed.VersionText, "versions");
        QTEST(parsed.LogOutRequested, "logOut");
        quint32 ads = 7;
        quint16 news = 9;
        parsed.ApplyCounts(ads, news);
        QTEST(ads, "ads");
        QTEST(news, "news");
    }

    void splitsTheVersionList_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("launcher");
        QTest::addColumn<QList<QByteArray>>("games");

        const QByteArray o = "old";
        QTest::newRow("launcher and 13 games")
            << fullList << QByteArray("1.0.0.5")
            << QList<QByteArray>{"1.0", "1.1", "1.2", "1.3", "1.4", "1.5", "1.6",
                                 "1.7", "1.8", "1.9", "2.0", "2.1", "2.2"};
        QTest::newRow("trailing separator")
            << fullList + "^" << QByteArray("1.0.0.5")
            << QList<QByteArray>{"1.0", "1.1", "1.2", "1.3", "1.4", "1.5", "1.6",
                                 "1.7", "1.8", "1.9", "2.0", "2.1", "2.2"};
        QTest::newRow("pieces past the 13th")
            << fullList + "^9.9^8.8" << QByteArray("1.0.0.5")
            << QList<QByteArray>{"1.0", "1.1", "1.2", "1.3", "1.4", "1.5", "1.6",
                                 "1.7", "1.8", "1.9", "2.0", "2.1", "2.2"};
        QTest::newRow("five pieces") << QByteArray("1.0.0.5^a^b^c^d") << QByteArray("1.0.0.5")
                                     << QList<QByteArray>{"a", "b", "c", "d", o, o, o, o, o, o, o, o, o};
        QTest::newRow("launcher only")
            << QByteArray("1.0.0.6") << QByteArray("1.0.0.6") << QList<QByteArray>(13, o);
        QTest::newRow("empty pieces are values")
            << QByteArray("^^NoVer") << QByteArray()
            << QList<QByteArray>{"", "NoVer", o, o, o, o, o, o, o, o, o, o, o};
        QTest::newRow("unknown") << QByteArray("Unknown") << QByteArray("Unknown")
                                 << QList<QByteArray>(13, "Unknown");
        QTest::newRow("unknown is case-sensitive")
            << QByteArray("unknown") << QByteArray("unknown") << QList<QByteArray>(13, o);
    }

    void splitsTheVersionList() {
        QFETCH(QByteArray, text);
        QByteArray launcher = "before";
        std::array<QByteArray, GameCount> latest;
        latest.fill("old");
        ParseVersionList(text, launcher, latest);
        QTEST(launcher, "launcher");
        QTEST(versionsOf(latest), "games");
    }

    void showsTheServerState_data() {
        QTest::addColumn<QByteArray>("state");
        QTest::addColumn<bool>("loggedIn");
        QTest::addColumn<QByteArray>("serverVersion");
        QTest::addColumn<QString>("text");
        QTest::addColumn<quint32>("colour");
        QTest::addColumn<int>("logOutButton");
        QTest::addColumn<bool>("logOut");
        QTest::addColumn<bool>("loginPanel");
        QTest::addColumn<bool>("updateButton");
        QTest::addColumn<QByteArray>("label"); // "-": unchanged

        using B = ServerStateView::Button;
        const QString on = QStringLiteral("ONLINE"), off = QStringLiteral("OFFLINE"),
                      na = QStringLiteral("Unavaiable");
        const QByteArray current = "1.0.0.5", newer = "1.0.0.6";
        const QByteArray notice = "v1.0.0.5   Please update !     New  v1.0.0.6";
        const auto row = [](const char *name) -> QTestData & { return QTest::newRow(name); };
        row("online, logged in") << QByteArray("ON") << true << current << on << OnlineColour << int(B::Show)
                                 << false << false << false << QByteArray("v1.0.0.5");
        row("online, logged out") << QByteArray("ON") << false << current << on << OnlineColour
                                  << int(B::Hide) << false << false << false << QByteArray("v1.0.0.5");
        row("offline ends the login") << QByteArray("OFF") << true << current << off << OfflineColour
                                      << int(B::Keep) << true << false << false << QByteArray("v1.0.0.5");
        row("offline, logged out") << QByteArray("OFF") << false << current << off << OfflineColour
                                   << int(B::Keep) << false << false << false << QByteArray("v1.0.0.5");
        row("error") << QByteArray("Error") << true << QByteArray("Unknown") << na << UnavailableColour
                     << int(B::Keep) << true << true << false << QByteArray("-");
        row("newer launcher announced") << QByteArray("ON") << true << newer << on << OnlineColour
                                        << int(B::Show) << true << false << true << notice;
        row("older launcher announced")
            << QByteArray("ON") << false << QByteArray("1.0.0.4") << on << OnlineColour << int(B::Hide)
            << false << false << true << QByteArray("v1.0.0.5   Please update !     New  v1.0.0.4");
        row("empty launcher version") << QByteArray("ON") << true << QByteArray() << on << OnlineColour
                                      << int(B::Show) << true << true << false << QByteArray("-");
        row("versions compare case-sensitively")
            << QByteArray("ON") << false << QByteArray("1.0.0.5B") << on << OnlineColour << int(B::Hide)
            << false << false << true << QByteArray("v1.0.0.5   Please update !     New  v1.0.0.5B");
        row("state compares case-sensitively")
            << QByteArray("on") << false << current << na << UnavailableColour << int(B::Keep) << false
            << false << false << QByteArray("v1.0.0.5");
    }

    void showsTheServerState() {
        QFETCH(QByteArray, state);
        QFETCH(bool, loggedIn);
        QFETCH(QByteArray, serverVersion);
        QFETCH(QByteArray, label);
        const ServerStateView view = ShowServerState(state, loggedIn, serverVersion, "1.0.0.5");
        QTEST(view.StateText, "text");
        QTEST(view.StateColour, "colour");
        QTEST(int(view.LogOutButton), "logOutButton");
        QTEST(view.LogOut, "logOut");
        QTEST(view.ShowLoginPanel, "loginPanel");
        QTEST(view.ShowUpdateButton, "updateButton");
        QCOMPARE(view.VersionLabel.has_value(), label != "-");
        if (view.VersionLabel)
            QCOMPARE(*view.VersionLabel, label);
    }

    void keepAliveCarriesOnlyWhatIsKnown() {
        QCOMPARE(FormBody(ServerCheckForm({}, "0", {})),
                 QByteArray("message=Keep%20Me%20Loged%21&loginid=0"));
        QCOMPARE(
            FormBody(ServerCheckForm("a+b@example.org", "17", "Ann")),
            QByteArray("message=Keep%20Me%20Loged%21&email=a%2Bb%40example.org&loginid=17&username=Ann"));
    }
};

QTEST_GUILESS_MAIN(ServerCheckTest)
#include "ServerCheckTest.moc"
