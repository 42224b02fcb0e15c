#include "MainFormFixture.h"
#include "gui/controls/PictureControl.h"

#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <QWebEngineView>

// The ad frame's web view: not there at start-up, made by the first page and kept for the next.
class AdsFrameTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theWebViewComesWithTheFirstPage() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        QVERIFY(!w.ADSBrowser);

        w.SetAdPage(QUrl(QStringLiteral("data:text/html,<title>first</title>")));
        QVERIFY(w.ADSBrowser);
        QWebEngineView *view = w.ADSBrowser;
        QCOMPARE(view->objectName(), QStringLiteral("ADSBrowser"));
        QCOMPARE(view->parentWidget(), static_cast<QWidget *>(w.ADS));
        QTRY_COMPARE_WITH_TIMEOUT(view->title(), QStringLiteral("first"), 60000);

        w.SetAdPage(QUrl(QStringLiteral("data:text/html,<title>second</title>")));
        QCOMPARE(w.ADSBrowser.data(), view);
        QCOMPARE(w.ADS->findChildren<QWebEngineView *>().size(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(view->title(), QStringLiteral("second"), 60000);
    }
};

QTEST_MAIN(AdsFrameTest)
#include "AdsFrameTest.moc"
