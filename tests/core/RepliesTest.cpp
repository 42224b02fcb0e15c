// The service's replies (check, login, chat), the chat input and the form bodies sent to the service.
#include "core/ChatHistory.h"
#include "core/ChatInput.h"
#include "core/ChatReply.h"
#include "core/FormBody.h"
#include "core/LoginReply.h"
#include "core/ServerCheckReply.h"
#include "core/ServerStateView.h"

#include <QTest>
#include <QUrlQuery>

using Kind = LoginReply::Kind;
Q_DECLARE_METATYPE(LoginReply::Kind)
Q_DECLARE_METATYPE(ChatRequest)

namespace {

const QByteArray fullList = "1.0.0.5^1.0^1.1^1.2^1.3^1.4^1.5^1.6^1.7^1.8^1.9^2.0^2.1^2.2";

} // namespace

class RepliesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every value arrives as sent whether the server reads "+" as a plus or as a blank.
    void formBodiesEncodeEveryReservedByte_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("encoded");
        QTest::newRow("plus in an e-mail")
            << QByteArray("ann+games@example.org") << QByteArray("ann%2Bgames%40example.org");
        QTest::newRow("unreserved marks") << QByteArray("a-b.c_d*e") << QByteArray("a-b.c_d*e");
        QTest::newRow("blank, separators")
            << QByteArray("a b&c=d;%~") << QByteArray("a%20b%26c%3Dd%3B%25%7E");
        QTest::newRow("line break, zero byte") << QByteArray("a\r\n\0", 4) << QByteArray("a%0D%0A%00");
        QTest::newRow("UTF-8") << QStringView(u"Grüße + ☺").toUtf8()
                               << QByteArray("Gr%C3%BC%C3%9Fe%20%2B%20%E2%98%BA");
    }
    void formBodiesEncodeEveryReservedByte() {
        QFETCH(QByteArray, value);
        const QByteArray body = FormBody({{"v", value}, {"empty", ""}, {"loginid", "5"}});
        QTEST(body.mid(2).chopped(10), "encoded");
        QCOMPARE(body.right(10), QByteArray("&loginid=5")); // order kept, empty value dropped
        QCOMPARE(QByteArray::fromPercentEncoding(body.mid(2).chopped(10).replace('+', ' ')), value);
        QCOMPARE(QUrlQuery(QString::fromLatin1(body)).queryItemValue(QStringLiteral("v"), QUrl::FullyDecoded),
                 QString::fromUtf8(value));
    }

    void checkReplyReadsFixedPositions_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("state");
        QTest::addColumn<QByteArray>("versions");
        QTest::addColumn<bool>("logOut");
        QTest::addColumn<QList<int>>("counts"); // ads, news; a reply without decimal counts keeps 7, 9
        const auto row = [](const char *name, const QByteArray &reply, const char *state,
                            const QByteArray &versions, bool logOut, QList<int> counts) {
            QTest::newRow(name) << reply << QByteArray(state) << versions << logOut << counts;
        };
        row("online", "ON!|xx|0003|002|" + fullList, "ON", fullList, false, {3, 2});
        row("log-out request", "ON!|LO|9999|999|" + fullList, "ON", fullList, true, {9999, 999});
        row("service down", "OFF|xx|0000|000|1.0.0.5", "OFF", "1.0.0.5", false, {0, 0});
        row("error page", "<html><head><title>502 Bad Gateway</title>", "Error", "Unknown", false, {7, 9});
        row("empty body", {}, "Error", "Unknown", false, {7, 9});
        row("signed and blank counts", "ON!|xx|-001|0 2|1", "ON", "1", false, {7, 9});
        row("lower-case state", "on!|LO|0001|001|1", "Error", "Unknown", true, {1, 1});
    }
    void checkReplyReadsFixedPositions() {
        QFETCH(QByteArray, reply);
        const ServerCheckReply parsed = ParseServerCheckReply(reply);
        QTEST(parsed.ServerState, "state");
        QTEST(parsed.VersionText, "versions");
        QTEST(parsed.LogOutRequested, "logOut");
        quint32 ads = 7;
        quint16 news = 9;
        parsed.ApplyCounts(ads, news);
        QTEST((QList<int>{int(ads), int(news)}), "counts");
    }

    void checkReplySplitsTheVersionList_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("launcher");
        QTest::addColumn<QList<QByteArray>>("games");
        const QByteArray o = "old";
        const QList<QByteArray> all{"1.0", "1.1", "1.2", "1.3", "1.4", "1.5", "1.6",
                                    "1.7", "1.8", "1.9", "2.0", "2.1", "2.2"};
        QTest::newRow("launcher and 13 games") << fullList << QByteArray("1.0.0.5") << all;
        QTest::newRow("five pieces") << QByteArray("1.0.0.5^a^b^c^d") << QByteArray("1.0.0.5")
                                     << QList<QByteArray>{"a", "b", "c", "d", o, o, o, o, o, o, o, o, o};
        QTest::newRow("empty pieces are values")
            << QByteArray("^^NoVer") << QByteArray()
            << QList<QByteArray>{"", "NoVer", o, o, o, o, o, o, o, o, o, o, o};
        QTest::newRow("Unknown") << QByteArray("Unknown") << QByteArray("Unknown")
                                 << QList<QByteArray>(13, "Unknown");
    }
    void checkReplySplitsTheVersionList() {
        QFETCH(QByteArray, text);
        QByteArray launcher = "before";
        std::array<QByteArray, GameCount> latest;
        latest.fill("old");
        ParseVersionList(text, launcher, latest);
        QTEST(launcher, "launcher");
        QTEST(QList<QByteArray>(latest.begin(), latest.end()), "games");
    }

    void checkReplyShowsTheServerState_data() {
        QTest::addColumn<QByteArray>("state");
        QTest::addColumn<bool>("loggedIn");
        QTest::addColumn<QByteArray>("serverVersion");
        QTest::addColumn<QString>("view");     // text, colour, log-out button, log-out, login panel, update
        QTest::addColumn<QByteArray>("label"); // "-": unchanged
        const auto row = [](const char *name, const char *state, bool loggedIn, const char *version,
                            const char *view, const char *label) {
            QTest::newRow(name) << QByteArray(state) << loggedIn << QByteArray(version)
                                << QString::fromLatin1(view) << QByteArray(label);
        };
        row("online, logged in", "ON", true, "1.0.0.5", "ONLINE ff7cfc00 1 ---", "v1.0.0.5");
        row("offline ends the login", "OFF", true, "1.0.0.5", "OFFLINE ffff6347 0 L--", "v1.0.0.5");
        row("error", "Error", true, "Unknown", "Unavaiable ffff4500 0 LP-", "-");
        row("newer launcher", "ON", true, "1.0.0.6", "ONLINE ff7cfc00 1 L-U",
            "v1.0.0.5   Please update !     New  v1.0.0.6");
        row("state is case-sensitive", "on", false, "1.0.0.5", "Unavaiable ffff4500 0 ---", "v1.0.0.5");
    }
    void checkReplyShowsTheServerState() {
        QFETCH(QByteArray, state);
        QFETCH(bool, loggedIn);
        QFETCH(QByteArray, serverVersion);
        const ServerStateView v = ShowServerState(state, loggedIn, serverVersion, "1.0.0.5");
        QTEST(QStringLiteral("%1 %2 %3 %4%5%6")
                  .arg(v.StateText)
                  .arg(v.StateColour, 0, 16)
                  .arg(int(v.LogOutButton))
                  .arg(QString(QLatin1Char(v.LogOut ? 'L' : '-')),
                       QString(QLatin1Char(v.ShowLoginPanel ? 'P' : '-')),
                       QString(QLatin1Char(v.ShowUpdateButton ? 'U' : '-'))),
              "view");
        QTEST(v.VersionLabel.value_or("-"), "label");
    }

    void loginReplyIsClassified_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QByteArray>("account"); // user name / login id
        const auto row = [](const char *reply, Kind kind, const char *line, bool refused,
                            const char *account = "/") {
            QTest::newRow(reply) << QByteArray(reply) << kind << QByteArray(line) << refused
                                 << QByteArray(account);
        };
        row("Error!", Kind::Failed, "LogIn failed!", true);
        row("LogOffOK!", Kind::LogOffAccepted, "LogOff successful.", false);
        row("AccDisabled! since May", Kind::AccountDisabled, "Your account is disabled!", true);
        row("WrongUsrPass!", Kind::WrongCredentials, "Wrong Username or Password!", true);
        row("MaxClientsReached!", Kind::ServerFull,
            "Maximum clients online is reached! Please try again later.", true);
        row("LogIn Granted!|Ann|17", Kind::Granted, "", false, "Ann/17");
        row("LogIn Granted!|A|n|9", Kind::Granted, "", false, "A|n/9");
        row("LogIn Granted!|Ann|", Kind::Granted, "", false, "Ann/");
        row("LogIn Granted!|Ann", Kind::Failed, "LogIn failed!", true);
        row("login granted!|Ann|17", Kind::Ignored, "", false);
        row("", Kind::Ignored, "", false);
    }
    void loginReplyIsClassified() {
        QFETCH(QByteArray, reply);
        const LoginReply classified = ClassifyLoginReply(reply);
        QTEST(classified.kind, "kind");
        QTEST(classified.ChatLine(), "line");
        QTEST(classified.Refused(), "refused");
        QTEST(classified.UserName + '/' + classified.LoginId, "account");
    }

    void requestBodies() {
        QCOMPARE(FormBody(LoginForm("ann+x@example.org", "p w")),
                 QByteArray("message=LogIn%20Request.&email=ann%2Bx%40example.org&password=p%20w"));
        QCOMPARE(FormBody(ChatForm("Ann", {"Whisper", {}, "see you", "player2"}, "17")),
                 QByteArray("username=Ann&command=Whisper&chattext=see%20you&wshpto=player2&loginid=17"));
    }

    void chatReplySplitsLinesAndSpotsWhispers_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("whisper");
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::newRow("nothing new") << QByteArray() << false << QList<QByteArray>();
        QTest::newRow("lines joined by the service")
            << QByteArray("[Global] Ann: hi\n[w] Bob: psst") << true
            << QList<QByteArray>{"[Global] Ann: hi", "[w] Bob: psst"};
        QTest::newRow("CR LF, lone CR, blank line")
            << QByteArray("a\r\nb\rc\n\nd\r\n") << false << QList<QByteArray>{"a", "b", "c", "", "d"};
        QTest::newRow("tag one before the end")
            << QByteArray("hello [w].") << true << QList<QByteArray>{"hello [w]."};
    }
    void chatReplySplitsLinesAndSpotsWhispers() {
        QFETCH(QByteArray, reply);
        const ChatReply parsed = ParseChatReply(reply);
        QTEST(parsed.IsWhisper, "whisper");
        QTEST(parsed.Lines, "lines");
    }

    // What a typed line does to the request fields (command|channel|text|recipient), the pending flag
    // ("+" after them; a whisper before is still pending) and the log.
    void chatInputCommands_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<ChatRequest>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QList<QByteArray>>("log"); // "clear" for a cleared log
        const ChatRequest poll = ChatPollRequest(), whisper{"Whisper", {}, "t", "w"};
        const auto row = [](const char *line, const ChatRequest &before, const char *after,
                            QList<QByteArray> log = {}) {
            QTest::newRow(line) << QByteArray(line) << before << QByteArray(after) << log;
        };
        row("hello", whisper, "Send!|Global|hello|+");
        row("/w player2 see you", poll, "Whisper||see you|player2+");
        row("/join lobby", whisper, "Join!|lobby|t|w+");
        row("/join my room", whisper, "Whisper||t|w+"); // a name with a blank sends nothing
        row("/leave lobby", poll, "Leave!|lobby||+");
        row("/version", poll, "CheckChat|Global||",
            {"Weave Version :  1.0.0.8"}); // only characters 2-4 count
        row("/?", poll, "CheckChat|Global||", ChatHelpLines());
        row("/clearall", poll, "CheckChat|Global||", {"clear"});
        row("/JOIN lobby", poll, "CheckChat|Global||"); // case-sensitive
        row("/", poll, "CheckChat|Global||");
    }
    void chatInputCommands() {
        QFETCH(QByteArray, line);
        QFETCH(ChatRequest, before);
        const ChatInputAction a = HandleChatInput(line, before, before.ChatCommand == "Whisper", "1.0.0.8");
        const ChatRequest &r = a.Request;
        QTEST(r.ChatCommand + '|' + r.ChatChannel + '|' + r.ChatText + '|' + r.ChatWhisperTo +
                  (a.SendPending ? "+" : ""),
              "after");
        QTEST(a.ClearLog ? QList<QByteArray>{"clear"} : a.LogLines, "log");
        QCOMPARE(ChatHelpLines().value(1),
                 "/w User Message" + QByteArray(6, ' ') + "-> Sends private message to User");
    }

    // Up and Down walk 19 kept lines; entry 0 is the line being typed, empty lines are not kept.
    void chatHistoryRecallsTypedLines() {
        ChatHistory history;
        for (int i = 1; i <= 25; ++i)
            history.Add(QByteArray::number(i));
        history.Add({});
        history.Open();
        QCOMPARE(history.Down(), std::nullopt);
        QCOMPARE(history.Up(), std::optional<QByteArray>("25"));
        QCOMPARE(history.Down(), std::optional<QByteArray>(QByteArray()));
        int moves = 0;
        while (history.Up())
            ++moves;
        QCOMPARE(moves, 19);
        QCOMPARE(history.Entry(19), QByteArray("7"));
    }
};

QTEST_GUILESS_MAIN(RepliesTest)
#include "RepliesTest.moc"
