#include "platform/UrlOpener.h"

#include <QDesktopServices>
#include <QTest>

// Receives what QDesktopServices hands to the registered scheme handler.
class UrlReceiver : public QObject {
    Q_OBJECT

public:
    QList<QUrl> received;

public Q_SLOTS:
    void handle(const QUrl &url) { received << url; }
};

class UrlOpenerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void handsWebAddressesToTheHandler() {
        QList<QUrl> opened;
        bool answer = true;
        const UrlOpener opener([&](const QUrl &url) {
            opened << url;
            return answer;
        });
        QVERIFY(opener.open(QStringLiteral("https://localhost:8443/ads/ad1.php?game=3")));
        QVERIFY(opener.open(QStringLiteral("  HTTP://example.org/register  ")));
        answer = false;
        QVERIFY(!opener.open(QStringLiteral("https://example.org/"))); // the handler's answer counts
        QCOMPARE(opened.size(), 3);
        QCOMPARE(opened.at(0), QUrl(QStringLiteral("https://localhost:8443/ads/ad1.php?game=3")));
        QCOMPARE(opened.at(1).host(), QStringLiteral("example.org"));
        QCOMPARE(opened.at(1).path(), QStringLiteral("/register"));
    }

    void refusesWhatIsNoWebAddress_data() {
        QTest::addColumn<QString>("address");
        QTest::newRow("empty") << QString();
        QTest::newRow("blank") << QStringLiteral("   ");
        QTest::newRow("local file") << QStringLiteral("file:///etc/passwd");
        QTest::newRow("bare path") << QStringLiteral("/usr/bin/xterm");
        QTest::newRow("relative") << QStringLiteral("ads/ad1.php");
        QTest::newRow("script") << QStringLiteral("javascript:alert(1)");
        QTest::newRow("other scheme") << QStringLiteral("ftp://example.org/x");
        QTest::newRow("no host") << QStringLiteral("http://");
        QTest::newRow("invalid") << QStringLiteral("http://exa mple.org/");
    }

    void refusesWhatIsNoWebAddress() {
        QFETCH(QString, address);
        int calls = 0;
        const UrlOpener opener([&](const QUrl &) {
            ++calls;
            return true;
        });
        QVERIFY(!opener.open(address));
        QCOMPARE(calls, 0);
    }

    void defaultGoesThroughDesktopServices() {
        UrlReceiver receiver;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &receiver, "handle");
        auto unset = qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); });
        const UrlOpener opener;
        QVERIFY(opener.open(QStringLiteral("https://example.org/news?id=2")));
        QCOMPARE(receiver.received, QList<QUrl>{QUrl(QStringLiteral("https://example.org/news?id=2"))});
    }
};

QTEST_MAIN(UrlOpenerTest)
#include "UrlOpenerTest.moc"
