// The web view of the ad frame, drawn in software into the window's own backing store: with no GPU
// the OpenGL path composites the whole window through a software rasteriser for every frame of
// the page, which costs most of a core for a small animated ad.
#include "gui/online/AdView.h"

#include <QQuickWindow>
#include <QWebEngineCertificateError>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <utility>

namespace QtWebEngineCore {
// What the engine runs before the application object when it is linked to the program; exported
// for an engine loaded later. It makes the OpenGL context the engine shares its surfaces with.
Q_DECL_IMPORT void initialize();
} // namespace QtWebEngineCore

namespace {

class AdBrowser final : public QWebEngineView, public AdView {
public:
    AdBrowser(QWidget *parent, const ChainCheck &check)
        : QWebEngineView(parent) {
        page()->profile()->setHttpCacheType(QWebEngineProfile::NoCache);
        // The engine knows only the system's roots: a certificate it could not verify is accepted
        // when its chain verifies against what the launcher trusts, and refused otherwise.
        connect(this, &QWebEngineView::loadStarted, this, [this] { m_loading = true; });
        connect(this, &QWebEngineView::loadFinished, this, [this] { m_loading = false; });
        connect(page(), &QWebEnginePage::certificateError, this,
                [check](const QWebEngineCertificateError &error) {
                    QWebEngineCertificateError decision = error;
                    if (check(error.certificateChain(), error.url().host()))
                        decision.acceptCertificate();
                    else
                        decision.rejectCertificate();
                });
    }

    QWidget *widget() override { return this; }

    void setUrl(const QUrl &address) override {
        if (m_frozen)
            m_pending = address;
        else
            QWebEngineView::setUrl(address);
    }

    void setFrozen(bool frozen) override {
        if (frozen == m_frozen)
            return;
        m_frozen = frozen;
        // The engine freezes only a page it believes hidden.
        if (frozen) {
            // A load cut short by the freeze is made again when the page runs.
            if (m_loading && m_pending.isEmpty())
                m_pending = url();
            page()->setVisible(false);
            page()->setLifecycleState(QWebEnginePage::LifecycleState::Frozen);
            return;
        }
        page()->setLifecycleState(QWebEnginePage::LifecycleState::Active);
        page()->setVisible(isVisible());
        if (!m_pending.isEmpty())
            QWebEngineView::setUrl(std::exchange(m_pending, QUrl()));
    }

    bool frozen() const override { return m_frozen; }

private:
    bool m_frozen = false;
    bool m_loading = false;
    QUrl m_pending;
};

} // namespace

extern "C" Q_DECL_EXPORT AdView *quillbarrowCreateAdView(QWidget *parent, const AdView::ChainCheck &check) {
    // Before the first Qt Quick window, which the view hosts its page in.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QtWebEngineCore::initialize();
    return new AdBrowser(parent, check);
}
