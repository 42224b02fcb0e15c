#include "OnlineWindow.h"
#include "RunningService.h"
#include "TestCertificates.h"
#include "gui/controls/PictureControl.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSslServer>
#include <QSslSocket>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>

namespace {

const QString PlusEmail = QStringLiteral("player+ads@example.com");

// Answers every HTTPS request with a small page, under whatever certificate it was given.
class TinyHttpsServer : public QObject {
public:
    explicit TinyHttpsServer(const TestCertificates::Identity &identity) {
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(identity.certificate);
        config.setPrivateKey(identity.key);
        config.setLocalCertificateChain(QList<QSslCertificate>{identity.certificate} + identity.chain);
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        m_server.setSslConfiguration(config);
        connect(&m_server, &QSslServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    socket->readAll();
                    const QByteArray page = "<html><head><title>stranger</title></head></html>";
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n"
                                  "Content-Length: " +
                                  QByteArray::number(page.size()) + "\r\n\r\n" + page);
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        m_server.listen(QHostAddress::LocalHost);
    }
    quint16 port() const { return m_server.serverPort(); }

private:
    QSslServer m_server;
};

} // namespace

// Ads in the real web view over the service's HTTPS, the news pictures and the web links, on one
// logged-in window against the real service.
class OnlineAdsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        const QString error = OnlineWindow::startService(m_service, 10);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        admin({QStringLiteral("user"), QStringLiteral("add"), PlusEmail, QStringLiteral("plus pass"),
               QStringLiteral("Plus")});
        admin({QStringLiteral("set"), QStringLiteral("counts"), QStringLiteral("3"), QStringLiteral("2")});
        m_window = std::make_unique<OnlineWindow>(m_service);
        QVERIFY(m_window->start());
        QVERIFY(m_window->serverCheck());
        QCOMPARE(m_window->form().AdCount, 3u);
    }

    void linksOpenTheirAddresses() {
        TMainForm &w = m_window->form();
        const QString base = QStringLiteral("https://localhost:%1").arg(m_service.port());
        QList<QUrl> &opened = m_window->opened;

        // Logged out, the invitation has nobody to invite for.
        w.BtnInvite->click();
        QVERIFY(opened.isEmpty());
        QVERIFY(m_window->chatLog().endsWith(u"You must Log In first!"));
        QCOMPARE(m_window->fixture.sounds->lastPlayed(), QStringLiteral("SndError"));

        w.BtnForgotPass->click();
        w.BtnRegister->click();
        Q_EMIT w.WebQuillbarrow->clicked();
        Q_EMIT w.QRCode->clicked();
        w.BtnDonate->click();
        QCOMPARE(opened.size(), 5);
        QCOMPARE(opened[0].toString(), base + QStringLiteral("/index.php?id=forgot-password"));
        QCOMPARE(opened[1].toString(), base + QStringLiteral("/index.php?id=register"));
        QCOMPARE(opened[2].toString(), base);
        QCOMPARE(opened[3], opened[2]);
        QCOMPARE(opened[4].toString(), base + QStringLiteral("/index.php?id=donate"));
        QCOMPARE(m_window->fixture.sounds->lastPlayed(), QStringLiteral("SndBtnClick"));

        // The "+" reaches the service intact in the login form, and the invitation unencoded.
        QVERIFY(m_window->logIn(PlusEmail, QStringLiteral("plus pass")));
        w.BtnInvite->click();
        QCOMPARE(opened.size(), 6);
        QCOMPARE(opened[5].toEncoded(),
                 (base + QStringLiteral("/index.php?id=invite-a-friend&user_email=") + PlusEmail).toUtf8());
    }

    void adPagesRotateOverVerifiedHttps() {
        TMainForm &w = m_window->form();
        QVERIFY(w.LoggedIn);
        QVERIFY(w.ADSBrowser);
        QVERIFY(w.ADSTimer->isActive());
        // The test turns the pages itself.
        w.ADSTimer->stop();
        QCOMPARE(w.ADSBrowser->url().path(), QStringLiteral("/ads/ad1.php"));
        // The first page, loaded by the login, is the service's own.
        QTRY_COMPARE_WITH_TIMEOUT(w.ADSBrowser->title(),
                                  QStringLiteral("Starfall Drift - now on Quillbarrow"), 60000);
        QSignalSpy loads(w.ADSBrowser, &QWebEngineView::loadFinished);

        for (const int expected : {2, 3, 1, 2}) {
            loads.clear();
            w.ADSTimerTimer();
            QCOMPARE(w.AdIndex, quint32(expected));
            QCOMPARE(w.ADSBrowser->url().toString(),
                     QStringLiteral("https://localhost:%1/ads/ad%2.php").arg(m_service.port()).arg(expected));
            QTRY_VERIFY_WITH_TIMEOUT(!loads.isEmpty(), 60000);
            QCOMPARE(loads.last().at(0).toBool(), true);
        }
        // The service's own page came over HTTPS, not an error page.
        QTRY_COMPARE_WITH_TIMEOUT(w.ADSBrowser->title(), QStringLiteral("Cinder Vale Online - Season of Ash"),
                                  10000);

        // Fewer pages announced than the one shown: back to the first.
        w.AdIndex = 3;
        admin({QStringLiteral("set"), QStringLiteral("counts"), QStringLiteral("2"), QStringLiteral("2")});
        QTRY_VERIFY_WITH_TIMEOUT(m_window->serverCheck() && w.AdCount == 2, 10000);
        w.ADSTimerTimer();
        QCOMPARE(w.AdIndex, 1u);
    }

    void certificateOfAnUnknownIssuerIsRefused() {
        TMainForm &w = m_window->form();
        QVERIFY(w.ADSBrowser);
        TestCertificates certificates;
        const TestCertificates::Identity stranger =
            certificates.fromThrowawayCa(QStringLiteral("DNS:localhost,IP:127.0.0.1"));
        QVERIFY2(stranger.error.isEmpty(), qPrintable(stranger.error));
        TinyHttpsServer server(stranger);
        QVERIFY(server.port() != 0);

        QSignalSpy loads(w.ADSBrowser, &QWebEngineView::loadFinished);
        w.SetAdPage(QUrl(QStringLiteral("https://localhost:%1/").arg(server.port())));
        QTRY_VERIFY_WITH_TIMEOUT(!loads.isEmpty(), 60000);
        QCOMPARE(loads.last().at(0).toBool(), false);
        QVERIFY(w.ADSBrowser->title() != u"stranger");
    }

    void newsPicturesCycle() {
        TMainForm &w = m_window->form();
        QCOMPARE(w.NewsCount, quint16(2));
        w.CurrentPanel = 1;
        w.ShowPanel();
        QVERIFY(w.NewsTimer->isActive());
        w.NewsTimer->stop();
        PictureControl expected;
        for (const int n : {2, 1, 2}) {
            w.NewsTimerTimer();
            QCOMPARE(w.NewsIndex, quint16(n));
            QVERIFY(!w.LoadPicture(&expected, "News" + QByteArray::number(n)));
            QCOMPARE(w.News->picture().toImage(), expected.picture().toImage());
        }
        QVERIFY(w.News->picture().toImage() != QImage());
    }

private:
    void admin(const QStringList &arguments) {
        const RunningService::Outcome outcome = m_service.admin(arguments);
        QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.describe()));
    }

    RunningService m_service;
    std::unique_ptr<OnlineWindow> m_window;
};

QTEST_MAIN(OnlineAdsTest)
#include "OnlineAdsTest.moc"
