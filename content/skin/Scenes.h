#pragma once

#include "SkinCanvas.h"

#include <QList>
#include <QPainterPath>
#include <QRectF>
#include <initializer_list>
#include <utility>

class QPainter;

// Procedural scenery of the demo games' covers and the news banners. A scene fills any
// rectangle: positions are fractions of its width and height, object sizes follow its height.
namespace skin::scene {

struct Frame {
    QRectF r;
    QPointF at(qreal fx, qreal fy) const { return {r.left() + r.width() * fx, r.top() + r.height() * fy}; }
    qreal x(qreal fx) const { return r.left() + r.width() * fx; }
    qreal y(qreal fy) const { return r.top() + r.height() * fy; }
    // One hundredth of the height: the unit of object sizes.
    qreal u() const { return r.height() / 100; }
};

void sky(QPainter &p, const Frame &f, std::initializer_list<std::pair<qreal, QColor>> stops);
void stars(QPainter &p, const QRectF &area, Random &rng, int count, qreal maxSize, const QColor &colour);
// A hill or mountain line around `baseY` (fraction of height), closed along the bottom.
QPainterPath ridge(const Frame &f, qreal baseY, qreal amplitude, qreal wavelength, Random &rng,
                   qreal jagged = 0);
void fog(QPainter &p, const Frame &f, qreal y, qreal height, const QColor &colour);
void sparks(QPainter &p, const QRectF &area, Random &rng, int count, qreal minSize, qreal maxSize,
            const QColor &colour);
// A figure as one outline: hip position, height, and limb angles in degrees from straight down.
struct Pose {
    qreal leftArm = 15, rightArm = -15, leftLeg = 8, rightLeg = -8, lean = 0;
};
QPainterPath figure(QPointF hip, qreal height, const Pose &pose);
// Where the figure's hand ends: the right arm's when `right`.
QPointF figureHand(QPointF hip, qreal height, const Pose &pose, bool right);
// The outline of a mountain range, alternating peaks and saddles from left to right.
QList<QPointF> peakLine(const Frame &f, qreal baseY, qreal minHeight, qreal maxHeight, qreal spacing,
                        Random &rng);
QPainterPath closedBelow(const Frame &f, const QList<QPointF> &line);
QPainterPath polygon(std::initializer_list<QPointF> points);
// A line as a filled outline with round ends.
QPainterPath strokeOf(const QPainterPath &line, qreal width);
// A pointy-side-up hexagon around `c` with corners `size` away.
QPainterPath hexagon(QPointF c, qreal size);

// The scene of the game at catalogue `index` (0..12).
void paintScene(QPainter &p, const QRectF &area, int index);

// One painter per game; ScenesWorld.cpp, ScenesRealm.cpp and ScenesNight.cpp hold them.
void emberHollow(QPainter &p, const Frame &f);
void tidebreakerTactics(QPainter &p, const Frame &f);
void starfallDrift(QPainter &p, const Frame &f);
void ironMeadow(QPainter &p, const Frame &f);
void hexbound(QPainter &p, const Frame &f);
void cinderVale(QPainter &p, const Frame &f);
void pocketArmada(QPainter &p, const Frame &f);
void whisperwood(QPainter &p, const Frame &f);
void skylineSprint(QPainter &p, const Frame &f);
void frostbiteFrontier(QPainter &p, const Frame &f);
void neonGambit(QPainter &p, const Frame &f);
void rustbucketRally(QPainter &p, const Frame &f);
void moonlitMasquerade(QPainter &p, const Frame &f);

} // namespace skin::scene
