// The shop search: every key release in the field narrows the shop to the matching listed titles.
#include "core/ShopSearch.h"

#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"

#include <QLabel>
#include <QLineEdit>

void TMainForm::SearchEditKeyUp() {
    const QString text = SearchEdit->text();
    if (text.isEmpty()) {
        ShowWholeShop();
        return;
    }
    PlayClick();
    ShopText1->setText(SearchShop(Library, text));
    ShopPosition = 1;
    if (Library.ShopCount != 0) {
        FillShopPage();
    } else {
        for (QWidget *item : std::initializer_list<QWidget *>{ShopBtn01, G1Bckg, BtnLeftShop, ShopBtn02,
                                                              G2Bckg, BtnRightShop})
            item->hide();
        GameText01->clear();
        GameText02->clear();
    }
}

void TMainForm::BtnClearSearchClick() {
    if (SearchEdit->text().isEmpty())
        return;
    ShowWholeShop();
}

void TMainForm::ShowWholeShop() {
    PlayClick();
    SearchEdit->clear();
    ShopPosition = 1;
    RebuildShopList();
    FillShopPage();
    ShowPanel();
}
