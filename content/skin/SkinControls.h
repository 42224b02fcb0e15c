#pragma once

#include "SkinIcons.h"

#include <QColor>
#include <QImage>
#include <QString>

class QPainter;

// Buttons and small controls. Each picture is about twice the size it is shown at in a
// 1536 x 864 window, with the aspect ratio the layout gives its control.
namespace skin {

// Play, Install, Update, Delete, Cancel: 736 x 144 (5.11 : 1).
QImage actionButton(const QString &caption, Icon icon, const QColor &light, const QColor &deep);
// Side-panel menu entries, also used as panel captions: 420 x 120 (3.5 : 1).
QImage menuButton(const QString &caption, Icon icon);
// Back button of the game detail: 240 x 240.
QImage backButton();
// Settings, minimise and close of the title bar: 120 x 108.
QImage windowButton(Icon icon, bool danger);
// Log-out button of the title bar: 270 x 90 (3 : 1).
QImage logOutButton();
// Clear button of the search field: 96 x 96.
QImage clearButton();
// Password visibility toggle: 96 x 96.
QImage eyeButton(bool shown);
// Pager arrows: 212 x 120 (1.77 : 1).
QImage arrowButton(bool up);
// "Visit our web site" badge: 640 x 200.
QImage webBadge();

// The product mark: a quill in a ring.
void drawEmblem(QPainter &p, const QRectF &box, qreal opacity = 1.0);

} // namespace skin
