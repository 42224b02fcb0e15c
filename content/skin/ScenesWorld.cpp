#include "Scenes.h"

#include <QConicalGradient>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPathStroker>
#include <QRadialGradient>
#include <cmath>
#include <numbers>

namespace skin::scene {

void emberHollow(QPainter &p, const Frame &f) {
    Random rng(101);
    sky(p, f,
        {{0, QColor(0x0d, 0x05, 0x08)},
         {0.55, QColor(0x3a, 0x0f, 0x0c)},
         {0.85, QColor(0x8a, 0x2c, 0x10)},
         {1, QColor(0x2b, 0x0a, 0x06)}});
    glow(p, f.at(0.5, 0.7), f.u() * 75, QColor(255, 130, 40, 170));
    glow(p, f.at(0.5, 0.78), f.u() * 30, QColor(255, 220, 140, 200));

    // The hollow: rock all around a ragged opening, lit along its rim.
    QPainterPath opening;
    const int points = 48;
    for (int i = 0; i < points; ++i) {
        const double a = 2 * std::numbers::pi * i / points;
        const qreal k = rng.uniform(0.9, 1.06);
        const QPointF pt(f.x(0.5) + std::cos(a) * f.r.width() * 0.43 * k,
                         f.y(0.6) + std::sin(a) * f.r.height() * 0.62 * k);
        if (i == 0)
            opening.moveTo(pt);
        else
            opening.lineTo(pt);
    }
    opening.closeSubpath();
    QPainterPath rock;
    rock.addRect(f.r);
    rock = rock.subtracted(opening);
    for (int i = 0; i < 9; ++i) {
        const qreal x = f.x(rng.uniform(0.1, 0.9));
        const qreal len = f.u() * rng.uniform(8, 22);
        rock.addPath(
            polygon({{x - f.u() * 3, f.y(0)}, {x + f.u() * 3, f.y(0)}, {x, f.y(0) + len + f.u() * 8}}));
    }
    rock.setFillRule(Qt::WindingFill);
    softShadow(p, opening, QColor(255, 110, 30, 150), static_cast<int>(f.u() * 3), QPointF(0, 0));
    QLinearGradient rockFill(f.r.topLeft(), f.r.bottomLeft());
    rockFill.setColorAt(0, QColor(0x12, 0x07, 0x07));
    rockFill.setColorAt(1, QColor(0x05, 0x02, 0x03));
    p.fillPath(rock, rockFill);

    const QPainterPath ground = ridge(f, 0.86, 3, 18, rng, 0.2);
    p.fillPath(ground, QColor(0x0a, 0x03, 0x03));
    for (int i = 0; i < 5; ++i) {
        QPainterPath crack;
        qreal x = f.x(0.12 + 0.18 * i + rng.uniform(-0.04, 0.04));
        qreal y = f.y(0.89);
        crack.moveTo(x, y);
        for (int k = 0; k < 4; ++k) {
            x += f.u() * rng.uniform(-3, 3);
            y += f.u() * rng.uniform(1.5, 3);
            crack.lineTo(x, y);
        }
        softShadow(p, strokeOf(crack, f.u() * 0.8), QColor(255, 110, 20, 255), static_cast<int>(f.u() * 1.5),
                   {});
        p.fillPath(strokeOf(crack, f.u() * 0.35), QColor(255, 200, 110));
    }

    // The hero on the threshold, blade raised, cloak blown back.
    const qreal h = f.u() * 40;
    const QPointF hip = f.at(0.5, 0.865) - QPointF(0, h * 0.46);
    const Pose pose{-35, 150, 14, -12, 4};
    const QPointF shoulder = hip + QPointF(h * 0.02, -h * 0.27);
    QPainterPath hero = figure(hip, h, pose);
    hero = hero.united(polygon({shoulder + QPointF(-h * 0.04, 0), shoulder + QPointF(h * 0.04, 0),
                                hip + QPointF(h * 0.02, h * 0.28), hip + QPointF(-h * 0.34, h * 0.36),
                                hip + QPointF(-h * 0.2, h * 0.1)}));
    const QPointF hand = figureHand(hip, h, pose, true);
    const QPointF tip = hand + QPointF(h * 0.17, -h * 0.5);
    QPainterPath guard;
    guard.moveTo(hand + QPointF(-h * 0.05, -h * 0.015));
    guard.lineTo(hand + QPointF(h * 0.05, h * 0.02));
    glow(p, (hand + tip) / 2, h * 0.4, QColor(255, 190, 90, 150));
    p.fillPath(hero, QColor(0x08, 0x02, 0x02));
    QPainterPath blade;
    blade.moveTo(hand);
    blade.lineTo(tip);
    softShadow(p, strokeOf(blade, h * 0.03), QColor(255, 170, 60, 255), static_cast<int>(f.u() * 1.5), {});
    p.fillPath(strokeOf(blade, h * 0.022), QColor(255, 236, 200));
    p.fillPath(strokeOf(guard, h * 0.025), QColor(0x08, 0x02, 0x02));

    sparks(p, QRectF(f.x(0.1), f.y(0.1), f.r.width() * 0.8, f.r.height() * 0.8), rng, 70, f.u() * 0.4,
           f.u() * 1.2, QColor(255, 140, 40));
}

void tidebreakerTactics(QPainter &p, const Frame &f) {
    Random rng(202);
    sky(p, f,
        {{0, QColor(0x08, 0x16, 0x24)},
         {0.4, QColor(0x1d, 0x4a, 0x5e)},
         {0.52, QColor(0x8c, 0xc2, 0xc0)},
         {0.53, QColor(0x12, 0x44, 0x54)},
         {1, QColor(0x04, 0x12, 0x1a)}});
    glow(p, f.at(0.38, 0.5), f.u() * 40, QColor(200, 240, 230, 110));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 16; ++i) {
        const QPointF c(f.x(rng.uniform(0, 1)), f.y(rng.uniform(0.05, 0.3)));
        p.setBrush(QColor(0x06, 0x12, 0x1c, static_cast<int>(rng.uniform(90, 170))));
        p.drawEllipse(c, f.u() * rng.uniform(10, 24), f.u() * rng.uniform(4, 9));
    }

    // Wave crests, denser towards the horizon.
    for (int i = 0; i < 22; ++i) {
        const qreal t = i / 21.0;
        const qreal y = f.y(0.54 + 0.46 * t * t);
        QPainterPath wave;
        wave.moveTo(f.r.left(), y);
        for (qreal x = f.r.left(); x <= f.r.right(); x += f.u())
            wave.lineTo(x, y + std::sin(x / (f.u() * (3 + 6 * t)) + i) * f.u() * (0.3 + 1.6 * t));
        p.setPen(QPen(QColor(160, 230, 235, static_cast<int>(40 + 60 * t)), f.u() * (0.15 + 0.35 * t)));
        p.drawPath(wave);
    }

    // The battle map laid over the sea.
    p.save();
    QPainterPath sea;
    sea.addRect(QRectF(f.r.left(), f.y(0.6), f.r.width(), f.r.height() * 0.4));
    p.setClipPath(sea);
    p.translate(f.at(0.45, 0.6));
    p.scale(1, 0.42);
    const qreal cell = f.u() * 11;
    for (int row = 0; row < 10; ++row) {
        for (int col = -8; col < 8; ++col) {
            const QPointF c(col * cell * std::sqrt(3.0) + ((row & 1) ? cell * std::sqrt(3.0) / 2 : 0),
                            row * cell * 1.5);
            const QPainterPath hex = hexagon(c, cell * 0.95);
            const qreal pick = rng.uniform();
            if (pick < 0.08)
                p.fillPath(hex, QColor(56, 198, 234, 70));
            else if (pick < 0.13)
                p.fillPath(hex, QColor(240, 90, 70, 70));
            p.setPen(QPen(QColor(150, 230, 240, 70), f.u() * 0.4));
            p.setBrush(Qt::NoBrush);
            p.drawPath(hex);
        }
    }
    p.restore();

    // The headland and its light.
    QPainterPath land;
    land.moveTo(f.x(0.57), f.r.bottom());
    land.lineTo(f.x(0.6), f.y(0.58));
    land.quadTo(f.at(0.63, 0.49), f.at(0.72, 0.47));
    land.lineTo(f.at(0.92, 0.455));
    land.quadTo(f.at(0.97, 0.45), f.at(1.02, 0.47));
    land.lineTo(f.x(1.02), f.r.bottom());
    land.closeSubpath();
    QLinearGradient landFill(f.at(0.6, 0.45), f.at(0.8, 1.0));
    landFill.setColorAt(0, QColor(0x1c, 0x38, 0x3e));
    landFill.setColorAt(0.4, QColor(0x08, 0x16, 0x1c));
    landFill.setColorAt(1, QColor(0x03, 0x08, 0x0c));
    p.fillPath(land, landFill);
    p.save();
    p.setClipPath(land);
    p.setPen(QPen(QColor(140, 220, 225, 110), f.u() * 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawPath(land);
    p.setPen(QPen(QColor(0, 0, 0, 90), f.u() * 0.4));
    for (int i = 0; i < 7; ++i) {
        const qreal y = f.y(0.55 + i * 0.06);
        p.drawLine(QPointF(f.x(0.58), y + f.u() * rng.uniform(-1, 1)),
                   QPointF(f.x(1.0), y + f.u() * rng.uniform(-3, 3)));
    }
    p.restore();
    const QPointF cottage = f.at(0.93, 0.455);
    p.fillRect(QRectF(cottage + QPointF(-f.u() * 4, -f.u() * 5), QSizeF(f.u() * 8, f.u() * 5)),
               QColor(0x0c, 0x1a, 0x20));
    p.fillPath(polygon({cottage + QPointF(-f.u() * 5, -f.u() * 5), cottage + QPointF(0, -f.u() * 8.5),
                        cottage + QPointF(f.u() * 5, -f.u() * 5)}),
               QColor(0x0c, 0x1a, 0x20));
    glow(p, cottage + QPointF(f.u() * 1.5, -f.u() * 2.5), f.u() * 3, QColor(255, 210, 120, 160));
    p.fillRect(QRectF(cottage + QPointF(f.u(), -f.u() * 3.3), QSizeF(f.u() * 1.4, f.u() * 1.6)),
               QColor(255, 220, 140));
    const QPointF base = f.at(0.84, 0.462);
    const qreal th = f.u() * 30;
    QPainterPath beam = polygon({base + QPointF(0, -th), base + QPointF(-f.r.width() * 0.7, -th - f.u() * 14),
                                 base + QPointF(-f.r.width() * 0.7, -th + f.u() * 8)});
    QLinearGradient beamFill(base + QPointF(0, -th), base + QPointF(-f.r.width() * 0.7, -th));
    beamFill.setColorAt(0, QColor(255, 240, 190, 150));
    beamFill.setColorAt(1, QColor(255, 240, 190, 0));
    p.fillPath(beam, beamFill);
    QPainterPath tower =
        polygon({base + QPointF(-th * 0.14, 0), base + QPointF(th * 0.14, 0),
                 base + QPointF(th * 0.08, -th * 0.9), base + QPointF(-th * 0.08, -th * 0.9)});
    p.fillPath(tower, QColor(0xd8, 0xe0, 0xe0));
    p.save();
    p.setClipPath(tower);
    for (int s = 0; s < 3; ++s)
        p.fillRect(QRectF(base.x() - th, base.y() - th * (0.25 + 0.25 * s), 2 * th, th * 0.1),
                   QColor(0xc0, 0x3a, 0x30));
    p.restore();
    p.fillRect(QRectF(base + QPointF(-th * 0.13, -th * 0.93), QSizeF(th * 0.26, th * 0.05)),
               QColor(0x10, 0x18, 0x1c));
    p.fillRect(QRectF(base + QPointF(-th * 0.085, -th * 1.08), QSizeF(th * 0.17, th * 0.15)),
               QColor(255, 236, 170));
    p.setPen(QPen(QColor(0x10, 0x18, 0x1c), th * 0.02));
    p.drawLine(base + QPointF(0, -th * 1.08), base + QPointF(0, -th * 0.93));
    p.fillPath(polygon({base + QPointF(-th * 0.12, -th * 1.08), base + QPointF(0, -th * 1.2),
                        base + QPointF(th * 0.12, -th * 1.08)}),
               QColor(0x10, 0x18, 0x1c));
    glow(p, base + QPointF(0, -th), f.u() * 10, QColor(255, 240, 190, 200));
}

void starfallDrift(QPainter &p, const Frame &f) {
    Random rng(303);
    sky(p, f,
        {{0, QColor(0x05, 0x02, 0x1a)},
         {0.35, QColor(0x1a, 0x0b, 0x3d)},
         {0.55, QColor(0x6a, 0x1a, 0x7a)},
         {0.56, QColor(0x12, 0x06, 0x26)},
         {1, QColor(0x06, 0x02, 0x10)}});
    stars(p, QRectF(f.r.left(), f.r.top(), f.r.width(), f.r.height() * 0.55), rng, 220, f.u() * 0.9,
          QColor(230, 220, 255));

    for (int i = 0; i < 8; ++i) {
        const QPointF head(f.x(rng.uniform(0.05, 0.95)), f.y(rng.uniform(0.05, 0.45)));
        const QPointF tail = head + QPointF(f.u() * rng.uniform(10, 24), -f.u() * rng.uniform(6, 14));
        QLinearGradient streak(head, tail);
        streak.setColorAt(0, QColor(255, 255, 255, 230));
        streak.setColorAt(1, QColor(150, 200, 255, 0));
        p.setPen(QPen(QBrush(streak), f.u() * 0.45, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(head, tail);
        glow(p, head, f.u() * 2, QColor(200, 230, 255, 200));
    }

    const QPointF planet = f.at(0.78, 0.28);
    const qreal pr = f.u() * 17;
    QRadialGradient planetFill(planet - QPointF(pr * 0.4, pr * 0.4), pr * 1.4);
    planetFill.setColorAt(0, QColor(0xff, 0x9a, 0xd8));
    planetFill.setColorAt(0.6, QColor(0x8a, 0x2a, 0xa8));
    planetFill.setColorAt(1, QColor(0x2a, 0x08, 0x40));
    p.save();
    p.translate(planet);
    p.rotate(-18);
    p.setPen(QPen(QColor(255, 190, 240, 160), f.u() * 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(-pr * 1.9, -pr * 0.45, pr * 3.8, pr * 0.9), 180 * 16, 180 * 16);
    p.restore();
    p.setPen(Qt::NoPen);
    p.setBrush(planetFill);
    p.drawEllipse(planet, pr, pr);
    p.save();
    p.translate(planet);
    p.rotate(-18);
    p.setPen(QPen(QColor(255, 190, 240, 200), f.u() * 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(-pr * 1.9, -pr * 0.45, pr * 3.8, pr * 0.9), 0, 180 * 16);
    p.restore();

    fog(p, f, 0.555, 0.08, QColor(255, 60, 200, 150));
    // The track: a neon road running to the horizon.
    const QPointF vanish = f.at(0.5, 0.555);
    QPainterPath road = polygon({vanish + QPointF(-f.u() * 1.5, 0), vanish + QPointF(f.u() * 1.5, 0),
                                 QPointF(f.x(1.05), f.r.bottom()), QPointF(f.x(-0.05), f.r.bottom())});
    p.fillPath(road, QColor(0x10, 0x06, 0x22));
    p.setPen(QPen(QColor(255, 60, 200, 120), f.u() * 0.25));
    for (int i = 1; i < 14; ++i) {
        const qreal t = std::pow(i / 13.0, 2.2);
        const qreal y = vanish.y() + (f.r.bottom() - vanish.y()) * t;
        p.drawLine(QPointF(f.r.left(), y), QPointF(f.r.right(), y));
    }
    for (int i = -8; i <= 8; ++i)
        p.drawLine(vanish, QPointF(f.x(0.5 + i * 0.16), f.r.bottom()));
    for (int side : {-1, 1}) {
        QPainterPath edge;
        edge.moveTo(vanish + QPointF(side * f.u() * 1.5, 0));
        edge.lineTo(QPointF(f.x(0.5 + side * 0.55), f.r.bottom()));
        softShadow(p, strokeOf(edge, f.u() * 0.6), QColor(56, 220, 255, 255), static_cast<int>(f.u() * 1.2),
                   {});
        p.fillPath(strokeOf(edge, f.u() * 0.5), QColor(190, 250, 255));
    }

    // The racer, low and wide, thrusters lit.
    const QPointF c = f.at(0.5, 0.84);
    const qreal w = f.u() * 34;
    glow(p, c + QPointF(0, f.u() * 3), w * 0.8, QColor(56, 220, 255, 110));
    QPainterPath car;
    car.moveTo(c + QPointF(-w * 0.5, f.u() * 2));
    car.quadTo(c + QPointF(-w * 0.52, -f.u() * 4), c + QPointF(-w * 0.3, -f.u() * 6));
    car.quadTo(c + QPointF(0, -f.u() * 12), c + QPointF(w * 0.3, -f.u() * 6));
    car.quadTo(c + QPointF(w * 0.52, -f.u() * 4), c + QPointF(w * 0.5, f.u() * 2));
    car.closeSubpath();
    QLinearGradient carFill(c + QPointF(0, -f.u() * 12), c + QPointF(0, f.u() * 2));
    carFill.setColorAt(0, QColor(0x3a, 0x2a, 0x6a));
    carFill.setColorAt(1, QColor(0x0a, 0x06, 0x16));
    p.fillPath(car, carFill);
    QPainterPath canopy;
    canopy.moveTo(c + QPointF(-w * 0.16, -f.u() * 6.5));
    canopy.quadTo(c + QPointF(0, -f.u() * 12.5), c + QPointF(w * 0.16, -f.u() * 6.5));
    canopy.closeSubpath();
    p.fillPath(canopy, QColor(120, 230, 255, 200));
    for (int side : {-1, 1}) {
        const QPointF light = c + QPointF(side * w * 0.36, -f.u() * 1.5);
        glow(p, light, f.u() * 5, QColor(255, 40, 90, 230));
        p.fillRect(QRectF(light - QPointF(f.u() * 3, f.u() * 0.6), QSizeF(f.u() * 6, f.u() * 1.2)),
                   QColor(255, 140, 170));
    }
}

void ironMeadow(QPainter &p, const Frame &f) {
    Random rng(404);
    sky(p, f,
        {{0, QColor(0x2e, 0x5c, 0x96)},
         {0.35, QColor(0x8a, 0xa6, 0xc4)},
         {0.5, QColor(0xf6, 0xcf, 0x8c)},
         {0.6, QColor(0xff, 0x9e, 0x52)},
         {1, QColor(0xff, 0x9e, 0x52)}});
    glow(p, f.at(0.72, 0.5), f.u() * 60, QColor(255, 230, 160, 170));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 246, 214));
    p.drawEllipse(f.at(0.72, 0.5), f.u() * 8, f.u() * 8);
    for (int i = 0; i < 6; ++i) {
        const QPointF c(f.x(rng.uniform(0, 1)), f.y(rng.uniform(0.1, 0.32)));
        QPainterPath cloud;
        for (int k = 0; k < 4; ++k)
            cloud.addEllipse(c + QPointF(f.u() * (k * 5 - 8), -f.u() * ((k % 2) * 2)), f.u() * 8,
                             f.u() * 3.5);
        cloud.setFillRule(Qt::WindingFill);
        p.fillPath(cloud.simplified(), QColor(255, 236, 220, 70));
    }

    p.fillPath(ridge(f, 0.6, 4, 30, rng), QColor(0x7a, 0x92, 0x5c));
    fog(p, f, 0.6, 0.08, QColor(255, 220, 170, 90));
    p.fillPath(ridge(f, 0.68, 5, 24, rng), QColor(0x4e, 0x7c, 0x3a));

    // The windmill: an iron tower against the sun.
    const QPointF mill = f.at(0.26, 0.63);
    const qreal mh = f.u() * 36;
    const QColor iron(0x2a, 0x2a, 0x30);
    p.fillPath(polygon({mill + QPointF(-mh * 0.12, 0), mill + QPointF(mh * 0.12, 0),
                        mill + QPointF(mh * 0.03, -mh), mill + QPointF(-mh * 0.03, -mh)}),
               iron);
    p.setPen(QPen(iron, mh * 0.012));
    for (int k = 1; k < 5; ++k) {
        const qreal y = -mh * k * 0.2;
        const qreal half = mh * (0.12 - 0.09 * k * 0.2);
        p.drawLine(mill + QPointF(-half, y), mill + QPointF(half, y + mh * 0.2));
        p.drawLine(mill + QPointF(half, y), mill + QPointF(-half, y + mh * 0.2));
    }
    const QPointF hub = mill + QPointF(0, -mh);
    for (int b = 0; b < 8; ++b) {
        p.save();
        p.translate(hub);
        p.rotate(b * 45 + 10);
        p.fillRect(QRectF(-mh * 0.02, -mh * 0.42, mh * 0.06, mh * 0.36), iron);
        p.restore();
    }
    p.setPen(Qt::NoPen);
    p.setBrush(iron);
    p.drawEllipse(hub, mh * 0.05, mh * 0.05);

    // The barn and the near field with its furrows.
    const QPointF barn = f.at(0.8, 0.72);
    const qreal bh = f.u() * 14;
    p.fillPath(polygon({barn + QPointF(-bh, 0), barn + QPointF(-bh, -bh * 0.7), barn + QPointF(0, -bh * 1.25),
                        barn + QPointF(bh, -bh * 0.7), barn + QPointF(bh, 0)}),
               QColor(0x6a, 0x1e, 0x18));
    p.fillPath(polygon({barn + QPointF(-bh * 1.1, -bh * 0.62), barn + QPointF(0, -bh * 1.33),
                        barn + QPointF(bh * 1.1, -bh * 0.62), barn + QPointF(bh * 1.1, -bh * 0.74),
                        barn + QPointF(0, -bh * 1.45), barn + QPointF(-bh * 1.1, -bh * 0.74)}),
               QColor(0x3a, 0x2a, 0x2a));
    const QRectF door(barn + QPointF(-bh * 0.32, -bh * 0.62), QSizeF(bh * 0.64, bh * 0.62));
    p.fillRect(door, QColor(0x3a, 0x10, 0x0c));
    p.setPen(QPen(QColor(0xf0, 0xe6, 0xd8), bh * 0.05));
    p.setBrush(Qt::NoBrush);
    p.drawRect(door);
    p.drawLine(door.topLeft(), door.bottomRight());
    p.drawLine(door.topRight(), door.bottomLeft());
    p.fillRect(QRectF(barn + QPointF(-bh * 0.12, -bh * 0.98), QSizeF(bh * 0.24, bh * 0.2)),
               QColor(0xf0, 0xe6, 0xd8));
    QPainterPath field = ridge(f, 0.8, 3, 40, rng);
    QLinearGradient fieldFill(0, f.y(0.76), 0, f.r.bottom());
    fieldFill.setColorAt(0, QColor(0xc8, 0x9a, 0x3a));
    fieldFill.setColorAt(1, QColor(0x6a, 0x4a, 0x18));
    p.fillPath(field, fieldFill);
    p.save();
    p.setClipPath(field);
    p.setPen(QPen(QColor(0x5a, 0x3a, 0x10, 170), f.u() * 0.6));
    const QPointF vanish = f.at(0.4, 0.7);
    for (int i = -16; i <= 16; ++i)
        p.drawLine(vanish, QPointF(f.x(0.4 + i * 0.09), f.r.bottom() + f.u() * 5));
    p.restore();
    p.setPen(QPen(QColor(0x2a, 0x1a, 0x10), f.u() * 0.8));
    for (int i = 0; i < 12; ++i) {
        const qreal x = f.x(0.02 + i * 0.06);
        const qreal y = f.y(0.9 - i * 0.01);
        p.drawLine(QPointF(x, y), QPointF(x, y - f.u() * 7));
    }
    p.drawLine(f.at(0.02, 0.86), f.at(0.68, 0.79));
    p.drawLine(f.at(0.02, 0.89), f.at(0.68, 0.82));
}
} // namespace skin::scene
