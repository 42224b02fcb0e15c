// The ad frame and the news picture: both rotate through the counts the server check announces.
#include "core/SkinNames.h"
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"
#include "net/ServiceTrust.h"

#include <QUrl>
#include <QWebEngineCertificateError>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {

// The browser engine knows only the system's roots: a certificate it could not verify is accepted
// when its chain verifies against what the launcher trusts, and refused otherwise.
void decideCertificate(const QWebEngineCertificateError &error) {
    QWebEngineCertificateError decision = error;
    if (ServiceTrust::verifyChain(error.certificateChain(), error.url().host()).isEmpty())
        decision.acceptCertificate();
    else
        decision.rejectCertificate();
}

} // namespace

void TMainForm::SetAdPage(const QUrl &address) {
    // The browser engine costs hundreds of megabytes, so the view is made only when a page is due.
    if (!ADSBrowser) {
        ADSBrowser = new QWebEngineView(ADS);
        ADSBrowser->setObjectName(QStringLiteral("ADSBrowser"));
        ADSBrowser->page()->profile()->setHttpCacheType(QWebEngineProfile::NoCache);
        connect(ADSBrowser->page(), &QWebEnginePage::certificateError, ADSBrowser->page(),
                &decideCertificate);
        ADSBrowser->setGeometry(ADS->rect());
        ADSBrowser->show();
    }
    ADSBrowser->setUrl(address);
}

void TMainForm::ADSTimerTimer() {
    ++AdIndex;
    if (AdIndex > AdCount)
        AdIndex = 1;
    SetAdPage(AdPageUrl(AdIndex));
}

QUrl TMainForm::AdPageUrl(quint32 page) const {
    return QUrl(m_deps.serviceBaseUrl + QStringLiteral("/ads/ad") + QString::number(page) +
                QStringLiteral(".php"));
}

void TMainForm::NewsTimerTimer() {
    ++NewsIndex;
    if (NewsIndex > NewsCount)
        NewsIndex = 1;
    const QByteArray name = QByteArrayView(NewsPicturePrefix).toByteArray() + QByteArray::number(NewsIndex);
    if (const std::optional<QString> error = LoadPicture(News, name))
        ShowException(*error);
}
