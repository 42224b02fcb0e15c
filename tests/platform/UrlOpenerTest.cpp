#include "platform/UrlOpener.h"

#include <QDesktopServices>
#include <QTest>

using namespace Qt::StringLiterals;

class UrlOpenerTest : public QObject {
    Q_OBJECT

public Q_SLOTS:
    // Stands in for the desktop's handler of https addresses.
    void handle(const QUrl &url) { m_opened << url; }

private Q_SLOTS:
    void onlyWebAddressesReachTheDesktop_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QUrl>("opened");
        QTest::newRow("ad page") << u"https://localhost:8443/ads/ad1.php?game=3"_s
                                 << QUrl(u"https://localhost:8443/ads/ad1.php?game=3"_s);
        QTest::newRow("blanks and capitals")
            << u"  HTTPS://example.org/register "_s << QUrl(u"https://example.org/register"_s);
        for (const char *address :
             {"", "   ", "file:///etc/passwd", "/usr/bin/xterm", "ads/ad1.php", "javascript:alert(1)",
              "ftp://example.org/x", "http://", "http://exa mple.org/"})
            QTest::addRow("\"%s\"", address) << QString::fromLatin1(address) << QUrl();
    }

    void onlyWebAddressesReachTheDesktop() {
        QFETCH(QString, address);
        QFETCH(QUrl, opened);
        m_opened.clear();
        QDesktopServices::setUrlHandler(u"https"_s, this, "handle");
        QDesktopServices::setUrlHandler(u"http"_s, this, "handle");
        QCOMPARE(UrlOpener().open(address), !opened.isEmpty());
        QCOMPARE(m_opened, opened.isEmpty() ? QList<QUrl>{} : QList<QUrl>{opened});
    }

    // The opener's answer is the handler's.
    void handlerAnswerCounts() {
        const UrlOpener opener([](const QUrl &) { return false; });
        QVERIFY(!opener.open(u"https://example.org/"_s));
    }

private:
    QList<QUrl> m_opened;
};

QTEST_MAIN(UrlOpenerTest)
#include "UrlOpenerTest.moc"
