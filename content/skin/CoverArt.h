#pragma once

#include <QImage>

// Pictures of the games and the news: the scenes with their titles set in.
namespace skin {

// Cover of the game at catalogue `index`: 990 x 660 (the card's 1.5 : 1).
QImage cover(int index);
// Empty My Games slot ("Scroll"): 990 x 660.
QImage emptySlot();
// News banner `number` (1-based): 1280 x 640.
QImage newsBanner(int number);
int newsBannerCount();

} // namespace skin
