// The shop: the listed games as cards, two at a time, and the game detail they open.
#include "core/ShopCardText.h"
#include "core/ShopPage.h"
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"

#include <QLabel>
#include <QPropertyAnimation>

namespace {

QByteArrayView imageOf(qint32 game) {
    const std::string_view name = GameCatalogue()[std::size_t(game)].ImageName;
    return QByteArrayView(name.data(), qsizetype(name.size()));
}

} // namespace

void TMainForm::RebuildShopList() {
    ShopText1->setText(::RebuildShopList(Library));
}

void TMainForm::FillShopPage() {
    // Before any login the shop is reached only by Alt+F9, still at position 0: it opens on the first
    // pair, and the arrows count from there.
    ShopPosition = qMax(ShopPosition, 1u);
    const ShopPage page = ShopPageAt(Library, ShopPosition);
    const auto fillCard = [this](qint32 game, PictureControl *button, PictureControl *background,
                                 QLabel *text) -> std::optional<QString> {
        if (game < 0) {
            button->hide();
            background->hide();
            text->clear();
            return std::nullopt;
        }
        if (std::optional<QString> error = LoadPicture(button, imageOf(game)))
            return error;
        button->show();
        background->show();
        text->setText(QString::fromUtf8(ShopCardText(game, Library.GameInstalled[std::size_t(game)])));
        return std::nullopt;
    };
    std::optional<QString> error = fillCard(page.FirstGame, ShopBtn01, G1Bckg, GameText01);
    if (!error)
        error = fillCard(page.SecondGame, ShopBtn02, G2Bckg, GameText02);
    if (error) {
        ShowException(*error);
        return;
    }
    BtnLeftShop->setVisible(page.BackArrow);
    BtnRightShop->setVisible(page.ForwardArrow);
}

void TMainForm::BtnLeftShopClick() {
    PlayClick();
    if (ShopPosition > 1) {
        --ShopPosition;
        FillShopPage();
    }
}

void TMainForm::BtnRightShopClick() {
    PlayClick();
    // Bounded by the catalogue, not the list: the arrow is hidden before the second card runs past it.
    if (ShopPosition + 1 <= GameCount) {
        ++ShopPosition;
        FillShopPage();
    }
}

void TMainForm::PanelStoreMouseWheel(int delta) {
    if (delta < 0 && !BtnRightShop->isHidden())
        BtnRightShopClick();
    if (delta > 0 && !BtnLeftShop->isHidden())
        BtnLeftShopClick();
}

void TMainForm::ShopBtn01Click() {
    // The list entry under the card, never one outside the list.
    const qint32 game = ShopPageAt(Library, ShopPosition).FirstGame;
    if (Library.ShopCount >= 1 && game >= 0)
        OpenGameDetail(qint16(game));
}

void TMainForm::ShopBtn02Click() {
    const qint32 game = ShopPageAt(Library, ShopPosition).SecondGame;
    if (Library.ShopCount >= 2 && game >= 0)
        OpenGameDetail(qint16(game));
}

void TMainForm::OpenGameDetail(qint16 game) {
    SelectedGame = game;
    PlayClick();
    LayoutGameDetail();
    if (std::optional<QString> error = LoadGamePanelImage(SelectedGame)) {
        ShowException(*error);
        return;
    }
    RefreshGameStates();
    PreviousPanel = CurrentPanel;
    CurrentPanel = 10;
    ShowPanel();
}

std::optional<QString> TMainForm::LoadGamePanelImage(qint16 index) {
    if (index < 0 || std::size_t(index) >= GameCount)
        return QStringLiteral("no game with the index %1").arg(index);
    return LoadPicture(PanelGames, imageOf(index));
}

void TMainForm::BtnBackClick() {
    PlayBack();
    RefreshGameStates();
    FillMyGamesPage();
    CurrentPanel = PreviousPanel;
    FillShopPage();
    ShowPanel();
}

void TMainForm::PulseStoreButton() {
    for (QPropertyAnimation *animation : {StoreAnimX, StoreAnimY}) {
        // Enabling a running pulse changes nothing.
        if (animation->state() != QAbstractAnimation::Stopped)
            continue;
        // From the button's current scale out to the stop value and back again.
        animation->setStartValue(animation->targetObject()->property(animation->propertyName().constData()));
        animation->setDirection(QAbstractAnimation::Forward);
        animation->start();
    }
}

void TMainForm::StoreAnimXFinish() {
    StoreAnimX->stop();
    StoreAnimX->setDirection(QAbstractAnimation::Forward);
}

void TMainForm::StoreAnimYFinish() {
    StoreAnimY->stop();
    StoreAnimY->setDirection(QAbstractAnimation::Forward);
}
