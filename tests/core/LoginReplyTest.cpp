#include "core/LoginReply.h"

#include "core/FormBody.h"

#include <QTest>

using Kind = LoginReply::Kind;
Q_DECLARE_METATYPE(LoginReply::Kind)

class LoginReplyTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void classifiesReplies_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("refused");

        QTest::newRow("error") << QByteArray("Error!") << Kind::Failed << QByteArray("LogIn failed!") << true;
        QTest::newRow("error must be the whole reply")
            << QByteArray("Error!\n") << Kind::Ignored << QByteArray() << false;
        QTest::newRow("log-off accepted")
            << QByteArray("LogOffOK!") << Kind::LogOffAccepted << QByteArray("LogOff successful.") << false;
        QTest::newRow("log-off refused")
            << QByteArray("ErrLogOff!") << Kind::LogOffRefused << QByteArray("Error Loging Off.") << false;
        QTest::newRow("disabled, text after the keyword")
            << QByteArray("AccDisabled! since May") << Kind::AccountDisabled
            << QByteArray("Your account is disabled!") << true;
        QTest::newRow("wrong credentials") << QByteArray("WrongUsrPass!") << Kind::WrongCredentials
                                           << QByteArray("Wrong Username or Password!") << true;
        QTest::newRow("server full") << QByteArray("MaxClientsReached!") << Kind::ServerFull
                                     << QByteArray(
                                            "Maximum clients online is reached! Please try again later.")
                                     << true;
        QTest::newRow("granted") << QByteArray("LogIn Granted!|Ann|17") << Kind::Granted << QByteArray()
                                 << false;
        QTest::newRow("granted without a bar is a failed login")
            << QByteArray("LogIn Granted!") << Kind::Failed << QByteArray("LogIn failed!") << true;
        QTest::newRow("granted with only the skipped bar")
            << QByteArray("LogIn Granted!|Ann") << Kind::Failed << QByteArray("LogIn failed!") << true;
        QTest::newRow("keywords are case-sensitive")
            << QByteArray("login granted!|Ann|17") << Kind::Ignored << QByteArray() << false;
        QTest::newRow("keyword cut short")
            << QByteArray("LogOffOK") << Kind::Ignored << QByteArray() << false;
        QTest::newRow("empty reply") << QByteArray() << Kind::Ignored << QByteArray() << false;
        QTest::newRow("error page") << QByteArray("<html>502</html>") << Kind::Ignored << QByteArray()
                                    << false;
    }

    void classifiesReplies() {
        QFETCH(QByteArray, reply);
        const LoginReply classified = ClassifyLoginReply(reply);
        QTEST(classified.kind, "kind");
        QTEST(classified.ChatLine(), "line");
        QTEST(classified.Refused(), "refused");
    }

    void grantedReplyCarriesNameAndId_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("id");

        QTest::newRow("expected form")
            << QByteArray("LogIn Granted!|Ann|17") << QByteArray("Ann") << QByteArray("17");
        QTest::newRow("name with a bar is cut at the last one")
            << QByteArray("LogIn Granted!|A|n|n|9") << QByteArray("A|n|n") << QByteArray("9");
        QTest::newRow("character 15 is skipped whatever it is")
            << QByteArray("LogIn Granted!xAnn|5") << QByteArray("Ann") << QByteArray("5");
        QTest::newRow("empty name") << QByteArray("LogIn Granted!||5") << QByteArray() << QByteArray("5");
        QTest::newRow("empty id") << QByteArray("LogIn Granted!|Ann|") << QByteArray("Ann") << QByteArray();
        QTest::newRow("UTF-8 name") << QStringView(u"LogIn Granted!|Zoë|3").toUtf8()
                                    << QStringView(u"Zoë").toUtf8() << QByteArray("3");
    }

    void grantedReplyCarriesNameAndId() {
        QFETCH(QByteArray, reply);
        const LoginReply classified = ClassifyLoginReply(reply);
        QCOMPARE(classified.kind, Kind::Granted);
        QTEST(classified.UserName, "name");
        QTEST(classified.LoginId, "id");
    }

    void requestBodies() {
        QCOMPARE(FormBody(LoginForm("ann+x@example.org", "p w")),
                 QByteArray("message=LogIn%20Request.&email=ann%2Bx%40example.org&password=p%20w"));
        // The log-out button empties the e-mail first; the exit sequence still has it.
        QCOMPARE(FormBody(LogOffForm({}, "17")), QByteArray("message=LogOFF%21&loginid=17"));
        QCOMPARE(FormBody(LogOffForm("a@b.c", "17")),
                 QByteArray("message=LogOFF%21&email=a%40b.c&loginid=17"));
    }
};

QTEST_GUILESS_MAIN(LoginReplyTest)
#include "LoginReplyTest.moc"
