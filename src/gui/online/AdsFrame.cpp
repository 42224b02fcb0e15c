#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"

#include <QUrl>
#include <QWebEngineProfile>
#include <QWebEngineView>

void TMainForm::SetAdPage(const QUrl &address) {
    // The browser engine costs hundreds of megabytes, so the view is made only when a page is due.
    if (!ADSBrowser) {
        ADSBrowser = new QWebEngineView(ADS);
        ADSBrowser->setObjectName(QStringLiteral("ADSBrowser"));
        ADSBrowser->page()->profile()->setHttpCacheType(QWebEngineProfile::NoCache);
        ADSBrowser->setGeometry(ADS->rect());
        ADSBrowser->show();
    }
    ADSBrowser->setUrl(address);
}
