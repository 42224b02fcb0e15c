// The ad frame and the news picture: both rotate through the counts the server check announces.
#include "core/SkinNames.h"
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"
#include "gui/online/AdView.h"
#include "gui/online/AdVisibility.h"
#include "net/ServiceTrust.h"

#include <QDebug>
#include <QLibrary>
#include <QUrl>

namespace {

// The browser engine's module from the launcher's folder; it stays loaded for the rest of the run.
AdView *createAdView(const QString &folder, QWidget *parent) {
    QLibrary module(folder + u'/' + AdViewModuleFile.toString());
    const auto create = reinterpret_cast<CreateAdView>(module.resolve(CreateAdViewSymbol));
    if (!create) {
        qWarning().noquote() << "No ad pages:" << module.errorString();
        return nullptr;
    }
    return create(parent, [](const QList<QSslCertificate> &chain, const QString &host) {
        return ServiceTrust::verifyChain(chain, host).isEmpty();
    });
}

} // namespace

void TMainForm::SetAdPage(const QUrl &address) {
    // The browser engine costs hundreds of megabytes, so the view is made only when a page is due.
    if (!ADSBrowser) {
        AdBrowser = createAdView(m_deps.workingFolder, ADS);
        if (!AdBrowser)
            return;
        ADSBrowser = AdBrowser->widget();
        ADSBrowser->setObjectName(QStringLiteral("ADSBrowser"));
        ADSBrowser->setGeometry(ADS->rect());
        ADSBrowser->show();
        new AdVisibility(this, AdBrowser);
    }
    AdBrowser->setUrl(address);
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
