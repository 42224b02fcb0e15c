// My Games: the installed games as cards, two at a time; an empty slot points to the shop.
#include "core/ShopPage.h"
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"

#include <QLabel>

namespace {

constexpr QByteArrayView EmptySlotPicture = "Scroll";

} // namespace

void TMainForm::FillMyGamesPage() {
    // Only after a login is the position set; until then the first pair is shown.
    MyGamesPosition = qMax(MyGamesPosition, 1u);
    // A card whose list entry lies past InstalledCount (the folder went away since the position was
    // set) is an empty slot, never a stale entry.
    const ShopPage page = InstalledPageAt(Library, MyGamesPosition);
    const auto fillCard = [this](qint32 game, PictureControl *button,
                                 QLabel *caption) -> std::optional<QString> {
        if (game < 0) {
            if (std::optional<QString> error = LoadPicture(button, EmptySlotPicture))
                return error;
            caption->clear();
            return std::nullopt;
        }
        const GameEntry &entry = GameCatalogue()[std::size_t(game)];
        if (std::optional<QString> error = LoadPicture(
                button, QByteArrayView(entry.ImageName.data(), qsizetype(entry.ImageName.size()))))
            return error;
        caption->setText(QString::fromUtf8(entry.Title.data(), qsizetype(entry.Title.size())));
        return std::nullopt;
    };
    std::optional<QString> error = fillCard(page.FirstGame, MyGameBtn01, InstText01);
    if (!error)
        error = fillCard(page.SecondGame, MyGameBtn02, InstText02);
    if (error) {
        ShowException(*error);
        return;
    }
    BtnLeft->setVisible(page.BackArrow);
    BtnRight->setVisible(page.ForwardArrow);
}

void TMainForm::BtnLeftClick() {
    PlayClick();
    if (MyGamesPosition > 1) {
        --MyGamesPosition;
        FillMyGamesPage();
    }
}

void TMainForm::BtnRightClick() {
    PlayClick();
    if (MyGamesPosition + 1 <= Library.InstalledCount) {
        ++MyGamesPosition;
        FillMyGamesPage();
    }
}

void TMainForm::PanelMyGamesMouseWheel(int delta) {
    if (delta < 0 && !BtnRight->isHidden())
        BtnRightClick();
    if (delta > 0 && !BtnLeft->isHidden())
        BtnLeftClick();
}

namespace {

// What an empty slot does: the shop button pulses, the chat panel says where games come from.
void pointToTheShop(TMainForm &form) {
    form.PulseStoreButton();
    form.ChatSay("Plaese choose a Game from Shop and Install.");
    form.PlayStore();
}

} // namespace

void TMainForm::MyGameBtn01Click() {
    const qint32 game = InstalledPageAt(Library, MyGamesPosition).FirstGame;
    if (Library.InstalledCount >= 1 && game >= 0)
        OpenGameDetail(qint16(game));
    else
        pointToTheShop(*this);
}

void TMainForm::MyGameBtn02Click() {
    const qint32 game = InstalledPageAt(Library, MyGamesPosition).SecondGame;
    if (Library.InstalledCount >= 2 && game >= 0)
        OpenGameDetail(qint16(game));
    else
        pointToTheShop(*this);
}
