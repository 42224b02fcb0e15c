#include "Scenes.h"

#include <QConicalGradient>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPathStroker>
#include <QRadialGradient>
#include <cmath>
#include <numbers>

namespace skin::scene {

namespace {

void ship(QPainter &p, QPointF waterline, qreal s, const QColor &hull, const QColor &sail) {
    const QPointF w = waterline;
    QPainterPath body;
    body.moveTo(w + QPointF(-0.75 * s, -0.22 * s));
    body.lineTo(w + QPointF(0.62 * s, -0.22 * s));
    body.quadTo(w + QPointF(0.85 * s, -0.25 * s), w + QPointF(0.95 * s, -0.34 * s));
    body.quadTo(w + QPointF(0.7 * s, 0.04 * s), w + QPointF(0.45 * s, 0.06 * s));
    body.lineTo(w + QPointF(-0.6 * s, 0.06 * s));
    body.quadTo(w + QPointF(-0.78 * s, -0.05 * s), w + QPointF(-0.75 * s, -0.22 * s));
    p.fillPath(body, hull);
    p.fillRect(QRectF(w + QPointF(-0.72 * s, -0.16 * s), QSizeF(1.4 * s, 0.025 * s)), hull.lighter(160));
    for (int m = 0; m < 3; ++m) {
        const qreal x = (-0.45 + m * 0.42) * s;
        const qreal top = (m == 1 ? 1.05 : 0.85) * s;
        p.fillRect(QRectF(w + QPointF(x - 0.015 * s, -top), QSizeF(0.03 * s, top - 0.2 * s)), hull);
        for (int k = 0; k < 2; ++k) {
            const qreal y0 = -top + 0.12 * s + k * top * 0.36;
            const qreal height = top * 0.3;
            QPainterPath cloth;
            const qreal half = 0.15 * s * (m == 1 ? 1.1 : 1.0);
            cloth.moveTo(w + QPointF(x - half, y0));
            cloth.lineTo(w + QPointF(x + half, y0));
            cloth.quadTo(w + QPointF(x + half * 1.6, y0 + height * 0.5),
                         w + QPointF(x + half * 1.1, y0 + height));
            cloth.lineTo(w + QPointF(x - half * 0.9, y0 + height));
            cloth.quadTo(w + QPointF(x - half * 0.3, y0 + height * 0.5), w + QPointF(x - half, y0));
            QLinearGradient shade(w + QPointF(x - half, 0), w + QPointF(x + half * 1.5, 0));
            shade.setColorAt(0, sail.darker(135));
            shade.setColorAt(0.6, sail);
            shade.setColorAt(1, sail.lighter(108));
            p.fillPath(cloth, shade);
        }
    }
    p.fillPath(polygon({w + QPointF(-0.015 * s, -1.05 * s), w + QPointF(0.16 * s, -1.0 * s),
                        w + QPointF(-0.015 * s, -0.95 * s)}),
               QColor(0xe0, 0x4a, 0x3a));
}

} // namespace

void hexbound(QPainter &p, const Frame &f) {
    Random rng(505);
    QRadialGradient bg(f.at(0.5, 0.55), f.r.width() * 0.7);
    bg.setColorAt(0, QColor(0x3a, 0x18, 0x6a));
    bg.setColorAt(1, QColor(0x0b, 0x05, 0x1c));
    p.fillRect(f.r, bg);
    const qreal size = f.u() * 9.5;
    const qreal w = std::sqrt(3.0) * size;
    const QPointF centre = f.at(0.5, 0.56);
    QList<QPointF> lit;
    for (int row = -7; row <= 7; ++row) {
        for (int col = -12; col <= 12; ++col) {
            const QPointF c = centre + QPointF(col * w + ((row & 1) ? w / 2 : 0), row * size * 1.5);
            if (!f.r.adjusted(-w, -w, w, w).contains(c))
                continue;
            const qreal d = std::hypot(c.x() - centre.x(), (c.y() - centre.y()) * 1.3) / (f.r.height() * 0.8);
            const QPainterPath hex = hexagon(c, size * 0.9);
            QLinearGradient cellFill(c - QPointF(0, size), c + QPointF(0, size));
            const int shade = static_cast<int>(rng.uniform(0, 40));
            cellFill.setColorAt(0, QColor(0x4a + shade, 0x26 + shade / 2, 0x8a + shade));
            cellFill.setColorAt(1, QColor(0x1a, 0x0c, 0x36));
            p.save();
            p.setOpacity(std::clamp(1.1 - d, 0.15, 1.0));
            p.fillPath(hex, cellFill);
            p.setPen(QPen(QColor(255, 200, 90, 90), f.u() * 0.3));
            p.setBrush(Qt::NoBrush);
            p.drawPath(hex);
            p.restore();
            if ((row != 0 || col != 0) && rng.uniform() < 0.22 && d < 0.8 && c.y() > f.y(0.3))
                lit.append(c);
        }
    }
    p.setPen(QPen(QColor(255, 210, 110, 150), f.u() * 0.35));
    for (const QPointF &c : lit)
        p.drawLine(centre, c);
    auto sigil = [&](QPointF c, qreal s, int kind) {
        QPainterPath mark;
        mark.addEllipse(c, s * 0.55, s * 0.55);
        if (kind % 3 == 0)
            mark.addPath(polygon({c + QPointF(0, -s * 0.5), c + QPointF(s * 0.43, s * 0.25),
                                  c + QPointF(-s * 0.43, s * 0.25)}));
        else if (kind % 3 == 1)
            mark.addRect(QRectF(c - QPointF(s * 0.3, s * 0.3), QSizeF(s * 0.6, s * 0.6)));
        mark.moveTo(c + QPointF(0, -s * 0.75));
        mark.lineTo(c + QPointF(0, s * 0.75));
        const QPainterPath lines = strokeOf(mark, s * 0.08);
        softShadow(p, lines, QColor(255, 190, 80, 255), static_cast<int>(s * 0.15) + 1, {});
        p.fillPath(lines, QColor(255, 236, 190));
    };
    int kind = 0;
    for (const QPointF &c : lit) {
        p.fillPath(hexagon(c, size * 0.9), QColor(255, 190, 80, 60));
        sigil(c, size * 0.7, kind++);
    }
    glow(p, centre, size * 3, QColor(255, 190, 80, 160));
    p.fillPath(hexagon(centre, size * 1.3), QColor(0x6a, 0x34, 0xb0));
    p.setPen(QPen(QColor(255, 215, 120), f.u() * 0.6));
    p.setBrush(Qt::NoBrush);
    p.drawPath(hexagon(centre, size * 1.3));
    sigil(centre, size * 1.2, 0);
    sparks(p, f.r, rng, 40, f.u() * 0.3, f.u() * 0.9, QColor(255, 210, 120));
}

void cinderVale(QPainter &p, const Frame &f) {
    Random rng(606);
    sky(p, f,
        {{0, QColor(0x1a, 0x0a, 0x0c)},
         {0.35, QColor(0x52, 0x18, 0x14)},
         {0.62, QColor(0xd0, 0x52, 0x1e)},
         {1, QColor(0x2a, 0x0c, 0x08)}});
    const QPointF crater = f.at(0.7, 0.38);
    // Smoke rising from the crater and leaning with the wind, softened as one layer.
    QImage smoke = newImage(static_cast<int>(f.r.width()), static_cast<int>(f.r.height()));
    {
        QPainter sp(&smoke);
        sp.setRenderHint(QPainter::Antialiasing);
        sp.setPen(Qt::NoPen);
        for (int i = 0; i < 30; ++i) {
            const qreal t = i / 29.0;
            const QPointF c = crater - f.r.topLeft() + QPointF(-f.u() * 38 * t * t, -f.u() * 34 * t);
            const qreal rad = f.u() * (3 + 11 * t);
            sp.setBrush(QColor(0x3a, 0x2a, 0x2a, static_cast<int>(200 - 120 * t)));
            sp.drawEllipse(c + QPointF(rng.uniform(-2, 2) * f.u(), 0), rad, rad * 0.8);
        }
    }
    p.drawImage(f.r.topLeft(), blurred(smoke, static_cast<int>(f.u() * 2)));
    p.fillPath(ridge(f, 0.66, 5, 14, rng), QColor(0x4a, 0x16, 0x12));
    QPainterPath volcano;
    volcano.moveTo(f.x(0.36), f.y(0.76));
    volcano.quadTo(crater + QPointF(-f.u() * 14, f.u() * 10), crater + QPointF(-f.u() * 5, 0));
    volcano.lineTo(crater + QPointF(f.u() * 5, 0));
    volcano.quadTo(crater + QPointF(f.u() * 14, f.u() * 10), QPointF(f.x(1.02), f.y(0.72)));
    volcano.lineTo(f.x(1.02), f.r.bottom());
    volcano.lineTo(f.x(0.36), f.r.bottom());
    volcano.closeSubpath();
    QLinearGradient slope(crater, crater + QPointF(0, f.u() * 40));
    slope.setColorAt(0, QColor(0x3a, 0x10, 0x0c));
    slope.setColorAt(1, QColor(0x16, 0x06, 0x06));
    p.fillPath(volcano, slope);
    glow(p, crater, f.u() * 18, QColor(255, 140, 40, 230));
    for (int i = 0; i < 3; ++i) {
        QPainterPath lava;
        QPointF at = crater + QPointF(f.u() * (i - 1) * 3, f.u());
        lava.moveTo(at);
        for (int k = 0; k < 5; ++k) {
            at += QPointF(f.u() * rng.uniform(-2, 2) + f.u() * (i - 1) * 2.2, f.u() * 4);
            lava.lineTo(at);
        }
        softShadow(p, strokeOf(lava, f.u() * 1.2), QColor(255, 100, 20, 255), static_cast<int>(f.u() * 1.5),
                   {});
        p.fillPath(strokeOf(lava, f.u() * 0.5), QColor(255, 190, 90));
    }

    // A dragon crossing the sky.
    const QPointF d = f.at(0.42, 0.4);
    const qreal s = f.u() * 9;
    QPainterPath dragon;
    dragon.moveTo(d + QPointF(-2.4 * s, 0.5 * s));
    dragon.quadTo(d + QPointF(-1.2 * s, 0.05 * s), d + QPointF(0, 0));
    dragon.quadTo(d + QPointF(0.8 * s, -0.15 * s), d + QPointF(1.2 * s, -0.35 * s));
    dragon.lineTo(d + QPointF(1.55 * s, -0.3 * s));
    dragon.lineTo(d + QPointF(1.25 * s, -0.1 * s));
    dragon.quadTo(d + QPointF(0.5 * s, 0.25 * s), d + QPointF(-0.2 * s, 0.22 * s));
    dragon.quadTo(d + QPointF(-1.2 * s, 0.25 * s), d + QPointF(-2.4 * s, 0.5 * s));
    dragon.addPath(polygon({d + QPointF(-0.4 * s, 0.05 * s), d + QPointF(-1.3 * s, -1.4 * s),
                            d + QPointF(-0.75 * s, -1.1 * s), d + QPointF(-0.3 * s, -1.5 * s),
                            d + QPointF(0.05 * s, -1.05 * s), d + QPointF(0.5 * s, -1.2 * s),
                            d + QPointF(0.4 * s, -0.05 * s)}));
    dragon.addPath(polygon(
        {d + QPointF(-0.1 * s, 0.15 * s), d + QPointF(0.6 * s, 0.85 * s), d + QPointF(0.45 * s, 0.12 * s)}));
    dragon.setFillRule(Qt::WindingFill);
    p.fillPath(dragon.simplified(), QColor(0x12, 0x05, 0x06));

    // The castle on its hill.
    p.fillPath(ridge(f, 0.8, 4, 20, rng), QColor(0x0e, 0x04, 0x05));
    const QPointF keep = f.at(0.22, 0.79);
    const qreal k = f.u() * 1.8;
    QPainterPath castle;
    castle.addRect(QRectF(keep + QPointF(-8 * k, -7 * k), QSizeF(16 * k, 8 * k)));
    for (const auto &[dx, height] :
         std::initializer_list<std::pair<qreal, qreal>>{{-9.0, 13.0}, {-2.0, 19.0}, {6.0, 12.0}}) {
        castle.addRect(QRectF(keep + QPointF(dx * k, -height * k), QSizeF(3 * k, height * k)));
        castle.addPath(polygon({keep + QPointF((dx - 0.6) * k, -height * k),
                                keep + QPointF((dx + 1.5) * k, -(height + 5) * k),
                                keep + QPointF((dx + 3.6) * k, -height * k)}));
    }
    for (int m = 0; m < 8; ++m)
        castle.addRect(QRectF(keep + QPointF((-8 + 2 * m) * k, -8 * k), QSizeF(k, k)));
    castle.setFillRule(Qt::WindingFill);
    p.fillPath(castle.simplified(), QColor(0x0e, 0x04, 0x05));
    p.setPen(Qt::NoPen);
    for (const auto &[dx, dy] : std::initializer_list<std::pair<qreal, qreal>>{
             {-1.0, -15.0}, {-1.0, -11.0}, {6.9, -9.0}, {-8.1, -10.0}, {2.5, -4.0}}) {
        glow(p, keep + QPointF(dx * k + 0.5 * k, dy * k + 0.7 * k), k * 2, QColor(255, 170, 60, 170));
        p.fillRect(QRectF(keep + QPointF(dx * k, dy * k), QSizeF(k, 1.4 * k)), QColor(255, 200, 100));
    }

    p.fillPath(ridge(f, 0.93, 2.5, 12, rng), QColor(0x06, 0x02, 0x02));
    sparks(p, f.r, rng, 45, f.u() * 0.3, f.u() * 0.8, QColor(255, 130, 40));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 90; ++i) {
        p.setBrush(QColor(0xb0, 0xa0, 0x9c, static_cast<int>(rng.uniform(40, 120))));
        p.drawEllipse(QPointF(f.x(rng.uniform()), f.y(rng.uniform())), f.u() * 0.25, f.u() * 0.25);
    }
}

void pocketArmada(QPainter &p, const Frame &f) {
    Random rng(707);
    sky(p, f,
        {{0, QColor(0x16, 0x22, 0x40)},
         {0.38, QColor(0x5a, 0x4a, 0x6a)},
         {0.55, QColor(0xe8, 0x94, 0x6a)},
         {0.56, QColor(0x2a, 0x44, 0x62)},
         {1, QColor(0x08, 0x14, 0x24)}});
    glow(p, f.at(0.3, 0.55), f.u() * 50, QColor(255, 190, 130, 150));

    // A compass rose in the sky, like on a sea chart.
    const QPointF rose = f.at(0.84, 0.22);
    const qreal rr = f.u() * 15;
    p.save();
    p.setOpacity(0.55);
    p.setPen(QPen(QColor(0xe8, 0xc8, 0x80), f.u() * 0.35));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(rose, rr, rr);
    p.drawEllipse(rose, rr * 0.8, rr * 0.8);
    for (int i = 0; i < 8; ++i) {
        const double a = std::numbers::pi / 4 * i;
        const qreal len = (i % 2 == 0) ? rr * 1.15 : rr * 0.7;
        const QPointF tip = rose + QPointF(std::sin(a) * len, -std::cos(a) * len);
        const QPointF l = rose + QPointF(std::sin(a - 0.5) * rr * 0.16, -std::cos(a - 0.5) * rr * 0.16);
        const QPointF r = rose + QPointF(std::sin(a + 0.5) * rr * 0.16, -std::cos(a + 0.5) * rr * 0.16);
        p.fillPath(polygon({l, tip, rose}), QColor(0xe8, 0xc8, 0x80));
        p.fillPath(polygon({r, tip, rose}), QColor(0x8a, 0x6a, 0x30));
    }
    p.restore();

    for (int i = 0; i < 18; ++i) {
        const qreal t = i / 17.0;
        const qreal y = f.y(0.57 + 0.43 * t * t);
        p.setPen(QPen(QColor(255, 210, 170, static_cast<int>(30 + 50 * (1 - t))), f.u() * (0.2 + 0.3 * t)));
        QPainterPath wave;
        wave.moveTo(f.r.left(), y);
        for (qreal x = f.r.left(); x <= f.r.right(); x += f.u())
            wave.lineTo(x, y + std::sin(x / (f.u() * (2 + 5 * t)) + i * 1.7) * f.u() * (0.2 + t));
        p.drawPath(wave);
    }

    ship(p, f.at(0.78, 0.6), f.u() * 11, QColor(0x1a, 0x1a, 0x2a), QColor(0x9a, 0x8a, 0x9a));
    ship(p, f.at(0.6, 0.63), f.u() * 15, QColor(0x16, 0x14, 0x22), QColor(0xb8, 0xa4, 0xa0));
    for (const QPointF &puff : {f.at(0.5, 0.66), f.at(0.47, 0.64), f.at(0.53, 0.63)}) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(240, 230, 220, 120));
        p.drawEllipse(puff, f.u() * 3, f.u() * 2);
    }
    glow(p, f.at(0.51, 0.66), f.u() * 4, QColor(255, 200, 90, 220));
    ship(p, f.at(0.3, 0.82), f.u() * 34, QColor(0x0e, 0x0c, 0x16), QColor(0xf0, 0xe2, 0xc8));
    p.setPen(QPen(QColor(255, 255, 255, 150), f.u() * 0.5, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 7; ++i) {
        const qreal x = f.x(0.3) + f.u() * (-30 + i * 4.5);
        const qreal y = f.y(0.825) + f.u() * rng.uniform(-0.6, 0.8);
        p.drawLine(QPointF(x, y), QPointF(x + f.u() * rng.uniform(2, 4), y));
    }
}
} // namespace skin::scene
