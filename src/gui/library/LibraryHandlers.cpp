#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"
#include "gui/library/EventHook.h"

#include <QLabel>
#include <QLineEdit>
#include <QPropertyAnimation>
#include <QWheelEvent>

namespace {

// The wheel over a panel, over any of its controls that leave the wheel to it.
void hookWheel(QWidget *panel, std::function<void(int delta)> handler) {
    new EventHook(panel, QEvent::Wheel, [handler = std::move(handler)](QEvent *event) {
        const int delta = static_cast<QWheelEvent *>(event)->angleDelta().y();
        if (delta != 0)
            handler(delta);
    });
}

} // namespace

void TMainForm::ConnectLibraryHandlers() {
    // Titles and card texts are shown as written, never read as markup.
    for (QLabel *text : {ShopText1, GameText01, GameText02, InstText01, InstText02})
        text->setTextFormat(Qt::PlainText);

    connect(BtnLeftShop, &PictureControl::clicked, this, &TMainForm::BtnLeftShopClick);
    connect(BtnRightShop, &PictureControl::clicked, this, &TMainForm::BtnRightShopClick);
    connect(ShopBtn01, &PictureControl::clicked, this, &TMainForm::ShopBtn01Click);
    connect(ShopBtn02, &PictureControl::clicked, this, &TMainForm::ShopBtn02Click);
    connect(BtnBack, &PictureControl::clicked, this, &TMainForm::BtnBackClick);
    hookWheel(PanelStore, [this](int delta) { PanelStoreMouseWheel(delta); });

    connect(BtnLeft, &PictureControl::clicked, this, &TMainForm::BtnLeftClick);
    connect(BtnRight, &PictureControl::clicked, this, &TMainForm::BtnRightClick);
    connect(MyGameBtn01, &PictureControl::clicked, this, &TMainForm::MyGameBtn01Click);
    connect(MyGameBtn02, &PictureControl::clicked, this, &TMainForm::MyGameBtn02Click);
    hookWheel(PanelMyGames, [this](int delta) { PanelMyGamesMouseWheel(delta); });

    new EventHook(SearchEdit, QEvent::KeyRelease, [this](QEvent *) { SearchEditKeyUp(); });
    connect(BtnClearSearch, &PictureControl::clicked, this, &TMainForm::BtnClearSearchClick);

    // Each pulse runs out and back (auto-reverse); only then is the animation finished.
    const auto reverseOrFinish = [](QPropertyAnimation *animation, void (TMainForm::*finish)(),
                                    TMainForm *form) {
        return [=] {
            if (animation->direction() == QAbstractAnimation::Forward) {
                animation->setDirection(QAbstractAnimation::Backward);
                animation->start();
            } else {
                (form->*finish)();
            }
        };
    };
    connect(StoreAnimX, &QAbstractAnimation::finished, this,
            reverseOrFinish(StoreAnimX, &TMainForm::StoreAnimXFinish, this));
    connect(StoreAnimY, &QAbstractAnimation::finished, this,
            reverseOrFinish(StoreAnimY, &TMainForm::StoreAnimYFinish, this));
}
