#pragma once

#include <QColor>
#include <QImage>

// Backgrounds, panels and frames. Sizes follow the shapes the layout gives their controls.
namespace skin {

// Window backgrounds of the login panel and of the signed-in launcher: 1920 x 1080.
QImage loginBackground();
QImage mainBackground();
// Side panel with the menu: 400 x 1220.
QImage sidePanel();
// Title bar: 2048 x 92.
QImage statusBar();
// Background of the credits, message and settings dialogs: 1200 x 480.
QImage dialogBackground();
// Chat panel and download bar: 900 x 600, stretched by both.
QImage chatBackground();
// Frame behind the login form: 720 x 840.
QImage loginFrame();
// Background of one card row (shop: cyan, My Games: amber): 1200 x 320.
QImage cardRow(const QColor &accent);
// Sheet behind the news text: 1200 x 900; its masthead takes the top 11 %.
QImage paper();

} // namespace skin
