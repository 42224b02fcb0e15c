#include "core/ChatHistory.h"
#include "core/ChatInput.h"
#include "core/ChatReply.h"
#include "core/FormBody.h"

#include <QTest>

Q_DECLARE_METATYPE(ChatRequest)

namespace {

// A typed command still waiting for the poll slot.
const ChatRequest pendingSend{"Send!", "Global", "hello", {}};

} // namespace

class ChatTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void splitsRepliesAndSpotsWhispers_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("whisper");
        QTest::addColumn<QList<QByteArray>>("lines");

        QTest::newRow("nothing new") << QByteArray() << false << QList<QByteArray>();
        QTest::newRow("one line") << QByteArray("[Global] Ann: hi") << false
                                  << QList<QByteArray>{"[Global] Ann: hi"};
        QTest::newRow("lines joined by the service")
            << QByteArray("[Global] Ann: hi\n[w] Bob: psst\n[System] You joined channel x.") << true
            << QList<QByteArray>{"[Global] Ann: hi", "[w] Bob: psst", "[System] You joined channel x."};
        QTest::newRow("CR LF and a final break")
            << QByteArray("a\r\nb\r\n") << false << QList<QByteArray>{"a", "b"};
        QTest::newRow("lone CR") << QByteArray("a\rb") << false << QList<QByteArray>{"a", "b"};
        QTest::newRow("blank line inside")
            << QByteArray("a\n\nb") << false << QList<QByteArray>{"a", "", "b"};
        QTest::newRow("whisper tag first") << QByteArray("[w] x") << true << QList<QByteArray>{"[w] x"};
        QTest::newRow("tag ending on the last character")
            << QByteArray("hello [w]") << false << QList<QByteArray>{"hello [w]"};
        QTest::newRow("tag one before the end")
            << QByteArray("hello [w].") << true << QList<QByteArray>{"hello [w]."};
        QTest::newRow("tag alone") << QByteArray("[w]") << false << QList<QByteArray>{"[w]"};
        QTest::newRow("tag is case-sensitive")
            << QByteArray("[W] Bob: hi") << false << QList<QByteArray>{"[W] Bob: hi"};
    }

    void splitsRepliesAndSpotsWhispers() {
        QFETCH(QByteArray, reply);
        const ChatReply parsed = ParseChatReply(reply);
        QTEST(parsed.IsWhisper, "whisper");
        QTEST(parsed.Lines, "lines");
    }

    void handlesTypedLines_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<ChatRequest>("before");
        QTest::addColumn<bool>("pendingBefore");
        QTest::addColumn<ChatRequest>("after");
        QTest::addColumn<bool>("pendingAfter");
        QTest::addColumn<bool>("clear");
        QTest::addColumn<QList<QByteArray>>("log");

        const ChatRequest poll = ChatPollRequest();
        const QList<QByteArray> none;
        const QList<QByteArray> version{"Weave Version :  1.0.0.8"};
        const auto row = [](const char *name) -> QTestData & { return QTest::newRow(name); };

        row("message") << QByteArray("hello") << poll << false << ChatRequest{"Send!", "Global", "hello", {}}
                       << true << false << none;
        row("message after a whisper clears the recipient")
            << QByteArray("hi all") << ChatRequest{"Whisper", {}, "x", "bob"} << true
            << ChatRequest{"Send!", "Global", "hi all", {}} << true << false << none;
        row("empty line") << QByteArray() << pendingSend << true << pendingSend << true << false << none;
        row("whisper") << QByteArray("/w player2 see you") << poll << false
                       << ChatRequest{"Whisper", {}, "see you", "player2"} << true << false << none;
        row("whisper without a message")
            << QByteArray("/w player2") << poll << false << ChatRequest{"Whisper", {}, "/w player2", {}}
            << true << false << none;
        row("join") << QByteArray("/join lobby") << poll << false << ChatRequest{"Join!", "lobby", {}, {}}
                    << true << false << none;
        row("join keeps text and recipient")
            << QByteArray("/join lobby") << ChatRequest{"Whisper", {}, "t", "w"} << false
            << ChatRequest{"Join!", "lobby", "t", "w"} << true << false << none;
        row("join of a name with a blank sends nothing")
            << QByteArray("/join my room") << poll << false << poll << false << false << none;
        row("refused join leaves a pending message alone")
            << QByteArray("/join my room") << pendingSend << true << pendingSend << true << false << none;
        row("leave") << QByteArray("/leave lobby") << poll << false << ChatRequest{"Leave!", "lobby", {}, {}}
                     << true << false << none;
        row("leave of a name with a blank")
            << QByteArray("/leave a b") << poll << false << poll << false << false << none;
        row("version") << QByteArray("/ver") << poll << false << poll << false << false << version;
        row("only characters 2-4 are tested")
            << QByteArray("/version") << poll << false << poll << false << false << version;
        row("help") << QByteArray("/?") << pendingSend << true << pendingSend << true << false
                    << ChatHelpLines();
        row("clear") << QByteArray("/clear") << poll << false << poll << false << true << none;
        row("clear with more after it")
            << QByteArray("/clearall") << poll << false << poll << false << true << none;
        row("cls") << QByteArray("/cls") << poll << false << poll << false << true << none;
        row("commands are case-sensitive")
            << QByteArray("/JOIN lobby") << poll << false << poll << false << false << none;
        row("unknown command") << QByteArray("/dance") << poll << false << poll << false << false << none;
        row("join needs its blank") << QByteArray("/joinlobby") << poll << false << poll << false << false
                                    << none;
        row("slash alone") << QByteArray("/") << poll << false << poll << false << false << none;
    }

    void handlesTypedLines() {
        QFETCH(QByteArray, line);
        QFETCH(ChatRequest, before);
        QFETCH(bool, pendingBefore);
        QFETCH(ChatRequest, after);
        const ChatInputAction action = HandleChatInput(line, before, pendingBefore, "1.0.0.8");
        QCOMPARE(action.Request, after);
        QTEST(action.SendPending, "pendingAfter");
        QTEST(action.ClearLog, "clear");
        QTEST(action.LogLines, "log");
    }

    void helpLinesAreExact() {
        const QList<QByteArray> help = ChatHelpLines();
        QCOMPARE(help.size(), 3);
        QCOMPARE(help[0], "/ver" + QByteArray(27, ' ') + "-> Weave Version");
        QCOMPARE(help[1], "/w User Message" + QByteArray(6, ' ') + "-> Sends private message to User");
        QCOMPARE(help[2], "/clear" + QByteArray(24, ' ') + "-> Clears chat window.");
    }

    void requestBodies() {
        QCOMPARE(FormBody(ChatForm("Ann", ChatPollRequest(), "17")),
                 QByteArray("username=Ann&command=CheckChat&channel=Global&loginid=17"));
        QCOMPARE(FormBody(ChatForm("Ann", {"Whisper", {}, "see you", "player2"}, "17")),
                 QByteArray("username=Ann&command=Whisper&chattext=see%20you&wshpto=player2&loginid=17"));
        QCOMPARE(ChatJoinGlobalRequest(), (ChatRequest{"Join!", "Global", {}, {}}));
    }

    void historyRecallsTypedLines() {
        ChatHistory history;
        history.Open();
        history.Add("first");
        history.Add({}); // an empty line is not kept
        history.Add("second");
        history.Open();
        QCOMPARE(history.Up(), std::optional<QByteArray>("second"));
        QCOMPARE(history.Up(), std::optional<QByteArray>("first"));
        QCOMPARE(history.Up(), std::optional<QByteArray>(QByteArray())); // nothing older yet
        QCOMPARE(history.Down(), std::optional<QByteArray>("first"));
        QCOMPARE(history.Down(), std::optional<QByteArray>("second"));
        QCOMPARE(history.Down(), std::optional<QByteArray>(QByteArray())); // back at the input line
        QCOMPARE(history.Down(), std::nullopt);
        QCOMPARE(history.Position(), 0);
    }

    void historyStopsAtItsEnds() {
        ChatHistory history;
        for (int i = 1; i <= 25; ++i)
            history.Add(QByteArray::number(i));
        history.Open();
        QCOMPARE(history.Down(), std::nullopt);
        std::optional<QByteArray> shown;
        int moves = 0;
        for (int press = 0; press < 25; ++press) {
            if (const std::optional<QByteArray> text = history.Up()) {
                shown = text;
                ++moves;
            }
        }
        QCOMPARE(moves, 19);
        QCOMPARE(history.Position(), 19);
        QCOMPARE(shown, std::optional<QByteArray>("7")); // the 19th newest of 25 lines
        QCOMPARE(history.Entry(1), QByteArray("25"));
        QCOMPARE(history.Entry(0), QByteArray());
    }
};

QTEST_GUILESS_MAIN(ChatTest)
#include "ChatTest.moc"
