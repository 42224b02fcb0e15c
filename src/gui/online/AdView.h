#pragma once

#include <QList>
#include <QSslCertificate>
#include <QString>
#include <functional>

class QUrl;
class QWidget;

// The ad frame's browser as the window drives it. The browser engine lives in a module of its own,
// loaded when the first ad page is due, so that start-up and the log-in panel never map it.
class AdView {
public:
    // Whether a chain the engine could not verify is one the launcher trusts for this host.
    using ChainCheck = std::function<bool(const QList<QSslCertificate> &chain, const QString &host)>;

    virtual ~AdView() = default;
    // The view itself; it owns this object and goes with its parent.
    [[nodiscard]] virtual QWidget *widget() = 0;
    // While frozen the address is kept and loaded when the page runs again.
    virtual void setUrl(const QUrl &address) = 0;
    // A frozen page is neither drawn nor run; it comes back as it was left.
    virtual void setFrozen(bool frozen) = 0;
    [[nodiscard]] virtual bool frozen() const = 0;
};

// The module's one entry point, found by name in the launcher's folder.
using CreateAdView = AdView *(*)(QWidget *parent, const AdView::ChainCheck &check);
inline constexpr char CreateAdViewSymbol[] = "quillbarrowCreateAdView";
inline constexpr QStringView AdViewModuleFile = u"libquillbarrow_web.so";
