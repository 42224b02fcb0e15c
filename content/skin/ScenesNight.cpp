#include "Scenes.h"
#include "SkinIcons.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPathStroker>
#include <QRadialGradient>
#include <cmath>
#include <numbers>

namespace skin::scene {

namespace {

QPainterPath pine(QPointF foot, qreal height) {
    QPainterPath tree;
    for (int tier = 0; tier < 4; ++tier) {
        const qreal apex = height * (1.0 - 0.18 * tier);
        const qreal base = height * (0.55 - 0.15 * tier);
        const qreal half = height * (0.1 + 0.06 * tier);
        tree.addPath(
            polygon({foot + QPointF(0, -apex), foot + QPointF(half, -base), foot + QPointF(-half, -base)}));
    }
    tree.addRect(
        QRectF(foot + QPointF(-height * 0.03, -height * 0.12), QSizeF(height * 0.06, height * 0.12)));
    tree.setFillRule(Qt::WindingFill);
    return tree.simplified();
}

QPainterPath tallTree(QPointF foot, qreal height, Random &rng) {
    QPainterPath tree;
    const qreal trunk = height * 0.035;
    tree.addPath(polygon({foot + QPointF(-trunk, 0), foot + QPointF(trunk, 0),
                          foot + QPointF(trunk * 0.5, -height), foot + QPointF(-trunk * 0.5, -height)}));
    for (int b = 0; b < 5; ++b) {
        const qreal y = -height * rng.uniform(0.35, 0.9);
        const qreal side = (b % 2 == 0) ? 1 : -1;
        QPainterPath branch;
        branch.moveTo(foot + QPointF(0, y));
        branch.quadTo(
            foot + QPointF(side * height * 0.08, y - height * 0.02),
            foot + QPointF(side * height * rng.uniform(0.12, 0.2), y - height * rng.uniform(0.06, 0.12)));
        QPainterPathStroker s;
        s.setWidth(trunk * 0.5);
        s.setCapStyle(Qt::RoundCap);
        tree.addPath(s.createStroke(branch));
    }
    for (int c = 0; c < 6; ++c)
        tree.addEllipse(foot + QPointF(rng.uniform(-0.14, 0.14) * height, -height * rng.uniform(0.7, 1.02)),
                        height * rng.uniform(0.08, 0.14), height * rng.uniform(0.06, 0.1));
    tree.setFillRule(Qt::WindingFill);
    return tree;
}

void card(QPainter &p, QPointF pivot, qreal angle, qreal height, Icon suit, const QString &rank,
          const QColor &neon) {
    const qreal w = height * 0.7;
    p.save();
    p.translate(pivot);
    p.rotate(angle);
    const QRectF face(-w / 2, -height * 1.55, w, height);
    const QPainterPath shape = roundedRect(face, height * 0.06);
    softShadow(p, shape, withAlpha(neon, 200), static_cast<int>(height * 0.06), {});
    QLinearGradient fill(face.topLeft(), face.bottomRight());
    fill.setColorAt(0, QColor(0x22, 0x14, 0x3a));
    fill.setColorAt(1, QColor(0x0c, 0x06, 0x1a));
    p.fillPath(shape, fill);
    p.setPen(QPen(neon, height * 0.015));
    p.setBrush(Qt::NoBrush);
    p.drawPath(roundedRect(face.adjusted(height * 0.03, height * 0.03, -height * 0.03, -height * 0.03),
                           height * 0.04));
    const QPainterPath big =
        iconPath(suit, QRectF(face.center() - QPointF(w * 0.3, w * 0.3), QSizeF(w * 0.6, w * 0.6)));
    softShadow(p, big, neon, static_cast<int>(height * 0.04), {});
    p.fillPath(big, neon.lighter(150));
    const QFont f = font(Face::SansCondensedBold, height * 0.14);
    p.setFont(f);
    p.setPen(neon.lighter(160));
    p.drawText(QRectF(face.left() + height * 0.06, face.top() + height * 0.05, w * 0.4, height * 0.16),
               Qt::AlignLeft | Qt::AlignTop, rank);
    p.fillPath(iconPath(suit, QRectF(face.left() + height * 0.06, face.top() + height * 0.21, height * 0.09,
                                     height * 0.09)),
               neon.lighter(160));
    p.restore();
}

} // namespace

void whisperwood(QPainter &p, const Frame &f) {
    Random rng(808);
    sky(p, f,
        {{0, QColor(0x03, 0x10, 0x16)},
         {0.45, QColor(0x0d, 0x3a, 0x3c)},
         {0.7, QColor(0x16, 0x4a, 0x42)},
         {1, QColor(0x02, 0x0a, 0x0a)}});
    glow(p, f.at(0.5, 0.36), f.u() * 55, QColor(200, 255, 230, 110));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe8, 0xff, 0xf2));
    p.drawEllipse(f.at(0.5, 0.36), f.u() * 9, f.u() * 9);
    stars(p, QRectF(f.r.left(), f.r.top(), f.r.width(), f.r.height() * 0.4), rng, 60, f.u() * 0.6,
          QColor(210, 255, 240));

    const QColor layers[] = {QColor(0x1e, 0x52, 0x4a), QColor(0x12, 0x3a, 0x36), QColor(0x08, 0x22, 0x22),
                             QColor(0x02, 0x0c, 0x0c)};
    for (int layer = 0; layer < 4; ++layer) {
        const qreal baseY = 0.62 + layer * 0.1;
        p.fillPath(ridge(f, baseY, 2, 20, rng), layers[layer]);
        const int count = 7 + layer * 2;
        for (int i = 0; i < count; ++i) {
            const qreal x = (i + rng.uniform(-0.3, 0.3)) / (count - 1);
            const qreal clearing = layer >= 2 ? 0.14 : 0.07;
            if (std::abs(x - 0.5) < clearing)
                continue;
            // One fill per tree: overlapping crowns in one path would cut holes into each other.
            p.fillPath(tallTree(f.at(x, baseY + 0.02), f.u() * (34 + layer * 16), rng), layers[layer]);
        }
        if (layer < 3)
            fog(p, f, baseY + 0.04, 0.12, QColor(170, 230, 210, 50 - layer * 10));
    }
    // The path in, lit by a lantern.
    QPainterPath trail;
    trail.moveTo(f.x(0.4), f.r.bottom());
    trail.quadTo(f.at(0.46, 0.86), f.at(0.52, 0.78));
    trail.quadTo(f.at(0.5, 0.74), f.at(0.5, 0.72));
    trail.lineTo(f.at(0.505, 0.72));
    trail.quadTo(f.at(0.56, 0.8), f.at(0.66, 1.0));
    trail.closeSubpath();
    QLinearGradient trailFill(0, f.y(0.72), 0, f.r.bottom());
    trailFill.setColorAt(0, QColor(190, 240, 210, 40));
    trailFill.setColorAt(1, QColor(120, 180, 150, 110));
    p.fillPath(trail, trailFill);
    const QPointF lantern = f.at(0.54, 0.79);
    glow(p, lantern, f.u() * 14, QColor(255, 210, 120, 170));
    p.fillPath(figure(lantern + QPointF(f.u() * 2.5, f.u() * 0.5), f.u() * 12, Pose{-25, -20, 8, -8, 0}),
               QColor(0x02, 0x08, 0x08));
    p.setBrush(QColor(255, 236, 180));
    p.drawEllipse(lantern, f.u() * 0.9, f.u() * 1.2);
    sparks(p, QRectF(f.x(0), f.y(0.45), f.r.width(), f.r.height() * 0.5), rng, 55, f.u() * 0.3, f.u() * 0.9,
           QColor(200, 255, 120));
}

void skylineSprint(QPainter &p, const Frame &f) {
    Random rng(909);
    sky(p, f,
        {{0, QColor(0x24, 0x12, 0x50)},
         {0.45, QColor(0xb8, 0x3a, 0x78)},
         {0.72, QColor(0xff, 0x9a, 0x52)},
         {1, QColor(0xff, 0xb8, 0x6a)}});
    const QPointF sun = f.at(0.5, 0.62);
    const qreal sr = f.u() * 24;
    glow(p, sun, sr * 2.4, QColor(255, 200, 120, 140));
    QLinearGradient sunFill(sun - QPointF(0, sr), sun + QPointF(0, sr));
    sunFill.setColorAt(0, QColor(0xff, 0xf0, 0x9a));
    sunFill.setColorAt(1, QColor(0xff, 0x5a, 0x7a));
    QPainterPath disc;
    disc.addEllipse(sun, sr, sr);
    for (int i = 0; i < 6; ++i)
        disc = disc.subtracted(roundedRect(
            QRectF(sun.x() - sr, sun.y() + sr * (0.1 + i * 0.15), 2 * sr, sr * (0.02 + i * 0.018)), 0));
    p.fillPath(disc, sunFill);

    auto skyline = [&](qreal baseY, qreal minH, qreal maxH, const QColor &colour, bool windows) {
        qreal x = f.r.left() - f.u() * 3;
        while (x < f.r.right()) {
            const qreal w = f.u() * rng.uniform(5, 12);
            const qreal h = f.u() * rng.uniform(minH, maxH);
            const QRectF tower(x, f.y(baseY) - h, w, h + f.r.height());
            p.fillRect(tower, colour);
            if (rng.uniform() < 0.3)
                p.fillRect(QRectF(x + w * 0.45, tower.top() - f.u() * 4, f.u() * 0.5, f.u() * 4), colour);
            if (windows) {
                for (qreal wy = tower.top() + f.u() * 2; wy < f.y(baseY); wy += f.u() * 2.6)
                    for (qreal wx = x + f.u(); wx < x + w - f.u(); wx += f.u() * 2)
                        if (rng.uniform() < 0.35)
                            p.fillRect(QRectF(wx, wy, f.u() * 0.9, f.u() * 1.2), QColor(255, 210, 120, 200));
            }
            x += w + f.u() * rng.uniform(0.3, 2);
        }
    };
    skyline(0.78, 14, 34, QColor(0x5a, 0x26, 0x6a), false);
    skyline(0.86, 10, 40, QColor(0x1a, 0x0a, 0x2a), true);
    p.fillRect(QRectF(f.r.left(), f.y(0.86), f.r.width(), f.r.height() * 0.14), QColor(0x12, 0x06, 0x1e));

    // Floating platforms with coins and a runner in mid-leap.
    const QRectF platforms[] = {{f.x(0.08), f.y(0.62), f.u() * 26, f.u() * 4},
                                {f.x(0.4), f.y(0.5), f.u() * 22, f.u() * 4},
                                {f.x(0.7), f.y(0.4), f.u() * 26, f.u() * 4}};
    for (const QRectF &plat : platforms) {
        softShadow(p, roundedRect(plat, f.u()), QColor(0, 0, 0, 120), static_cast<int>(f.u()),
                   QPointF(0, f.u()));
        p.fillPath(roundedRect(plat, f.u()), QColor(0x2a, 0x1a, 0x4a));
        p.fillPath(roundedRect(QRectF(plat.left(), plat.top(), plat.width(), f.u() * 1.2), f.u() * 0.6),
                   QColor(0x3a, 0xf0, 0xd0));
        for (int c = 0; c < 3; ++c) {
            const QPointF coin(plat.left() + plat.width() * (0.25 + c * 0.25), plat.top() - f.u() * 4);
            glow(p, coin, f.u() * 3, QColor(255, 220, 80, 150));
            p.setPen(QPen(QColor(0xb8, 0x80, 0x10), f.u() * 0.3));
            p.setBrush(QColor(0xff, 0xd8, 0x40));
            p.drawEllipse(coin, f.u() * 1.3, f.u() * 1.6);
        }
    }
    const QPointF hip = f.at(0.6, 0.36);
    const qreal h = f.u() * 20;
    p.setPen(QPen(QColor(255, 255, 255, 120), f.u() * 0.5, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 4; ++i)
        p.drawLine(hip + QPointF(-h * (0.35 + i * 0.1), -h * 0.15 + i * h * 0.12),
                   hip + QPointF(-h * (0.9 + i * 0.2), -h * 0.15 + i * h * 0.12));
    p.fillPath(figure(hip, h, Pose{-70, 110, -80, 40, 18}), QColor(0x12, 0x06, 0x22));
}

void frostbiteFrontier(QPainter &p, const Frame &f) {
    Random rng(1010);
    sky(p, f,
        {{0, QColor(0x05, 0x0e, 0x22)},
         {0.4, QColor(0x16, 0x36, 0x62)},
         {0.62, QColor(0x6a, 0x9e, 0xc6)},
         {1, QColor(0x6a, 0x9e, 0xc6)}});
    stars(p, QRectF(f.r.left(), f.r.top(), f.r.width(), f.r.height() * 0.4), rng, 90, f.u() * 0.6,
          QColor(230, 245, 255));
    // Aurora ribbons.
    for (int band = 0; band < 3; ++band) {
        QImage layer = newImage(static_cast<int>(f.r.width()), static_cast<int>(f.r.height()));
        {
            QPainter lp(&layer);
            lp.setRenderHint(QPainter::Antialiasing);
            for (qreal x = 0; x < f.r.width(); x += f.u() * 0.8) {
                const qreal y =
                    f.r.height() * (0.16 + band * 0.07) + std::sin(x / (f.u() * 18) + band * 2) * f.u() * 6;
                const qreal len = f.u() * (14 + 8 * std::sin(x / (f.u() * 7) + band));
                QLinearGradient g(0, y - len, 0, y + f.u() * 2);
                g.setColorAt(0, QColor(80, 255, 170, 0));
                g.setColorAt(0.8, band == 1 ? QColor(120, 160, 255, 120) : QColor(80, 255, 170, 130));
                g.setColorAt(1, QColor(80, 255, 170, 0));
                lp.fillRect(QRectF(x, y - len, f.u() * 0.8, len + f.u() * 2), g);
            }
        }
        p.drawImage(f.r.topLeft(), blurred(layer, static_cast<int>(f.u() * 1.2) + 1));
    }
    auto mountains = [&](qreal baseY, qreal minH, qreal maxH, const QColor &rock, const QColor &snow) {
        const QList<QPointF> line = peakLine(f, baseY, minH, maxH, 22, rng);
        p.fillPath(closedBelow(f, line), rock);
        // Each peak: a shaded eastern face and a cap of snow with a ragged lower edge.
        for (qsizetype i = 0; i + 2 < line.size(); i += 2) {
            const QPointF top = line[i];
            const QPointF left = i > 0 ? line[i - 1] : top + QPointF(-f.u() * 10, f.u() * 10);
            const QPointF right = line[i + 1];
            p.fillPath(polygon({top, right, QPointF(right.x(), f.y(baseY) + f.u() * 3),
                                QPointF(top.x(), f.y(baseY) + f.u() * 3)}),
                       QColor(0, 10, 40, 50));
            const qreal depth = rng.uniform(0.3, 0.45);
            const QPointF l = top + (left - top) * depth;
            const QPointF r = top + (right - top) * depth;
            p.fillPath(polygon({top, r, (r + top) / 2 + QPointF(0, f.u() * 2.5),
                                (l + r) / 2 + QPointF(f.u(), f.u() * 1.5),
                                (l + top) / 2 + QPointF(0, f.u() * 3), l}),
                       snow);
            p.fillPath(polygon({top, r, (r + top) / 2 + QPointF(0, f.u() * 2.5),
                                (l + r) / 2 + QPointF(f.u(), f.u() * 1.5)}),
                       QColor(0, 20, 60, 40));
        }
    };
    mountains(0.56, 16, 30, QColor(0x5a, 0x74, 0x9a), QColor(0xd4, 0xe2, 0xf4));
    fog(p, f, 0.58, 0.1, QColor(220, 235, 255, 120));
    mountains(0.68, 10, 22, QColor(0x6a, 0x86, 0xaa), QColor(0xee, 0xf4, 0xfc));
    fog(p, f, 0.7, 0.08, QColor(220, 235, 255, 90));
    QPainterPath slope = ridge(f, 0.84, 3, 30, rng);
    QLinearGradient snowField(0, f.y(0.8), 0, f.r.bottom());
    snowField.setColorAt(0, QColor(0xf4, 0xf8, 0xff));
    snowField.setColorAt(1, QColor(0xc4, 0xd6, 0xec));
    p.fillPath(slope, snowField);
    for (int i = 0; i < 9; ++i) {
        const qreal x = (i < 5) ? rng.uniform(0.0, 0.3) : rng.uniform(0.8, 1.0);
        const qreal h = f.u() * rng.uniform(16, 30);
        const QPointF foot = f.at(x, rng.uniform(0.84, 0.95));
        p.fillPath(pine(foot, h), QColor(0x0e, 0x26, 0x30));
        p.fillPath(pine(foot, h).subtracted(pine(foot + QPointF(h * 0.035, 0), h)),
                   QColor(220, 235, 255, 170));
    }
    const QPointF camp = f.at(0.6, 0.86);
    glow(p, camp + QPointF(f.u() * 5, -f.u() * 2), f.u() * 24, QColor(255, 150, 60, 180));
    p.fillPath(polygon({camp + QPointF(-f.u() * 16, 0), camp + QPointF(-f.u() * 8, -f.u() * 11),
                        camp + QPointF(0, 0)}),
               QColor(0x2a, 0x1e, 0x1a));
    p.fillPath(polygon({camp + QPointF(-f.u() * 9.5, 0), camp + QPointF(-f.u() * 8, -f.u() * 4),
                        camp + QPointF(-f.u() * 6.5, 0)}),
               QColor(255, 170, 80));
    p.setPen(QPen(QColor(0x3a, 0x22, 0x16), f.u() * 0.9, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(camp + QPointF(f.u() * 2, f.u() * 0.5), camp + QPointF(f.u() * 8, -f.u() * 0.5));
    p.drawLine(camp + QPointF(f.u() * 2, -f.u() * 0.5), camp + QPointF(f.u() * 8, f.u() * 0.5));
    auto flame = [&](qreal scale, const QColor &colour) {
        const QPointF b = camp + QPointF(f.u() * 5, 0);
        QPainterPath tongue;
        tongue.moveTo(b + QPointF(-f.u() * 2.4 * scale, 0));
        tongue.cubicTo(b + QPointF(-f.u() * 2.6 * scale, -f.u() * 4 * scale),
                       b + QPointF(-f.u() * 0.5 * scale, -f.u() * 5 * scale),
                       b + QPointF(0, -f.u() * 8 * scale));
        tongue.cubicTo(b + QPointF(f.u() * 0.8 * scale, -f.u() * 5 * scale),
                       b + QPointF(f.u() * 2.6 * scale, -f.u() * 4 * scale),
                       b + QPointF(f.u() * 2.4 * scale, 0));
        tongue.closeSubpath();
        p.fillPath(tongue, colour);
    };
    flame(1.0, QColor(255, 120, 40));
    flame(0.65, QColor(255, 210, 100));
    flame(0.3, QColor(255, 250, 220));
    sparks(p, f.r, rng, 20, f.u() * 0.2, f.u() * 0.5, QColor(255, 255, 255));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 160; ++i) {
        p.setBrush(QColor(255, 255, 255, static_cast<int>(rng.uniform(120, 230))));
        const qreal s = f.u() * rng.uniform(0.15, 0.55);
        p.drawEllipse(QPointF(f.x(rng.uniform()), f.y(rng.uniform())), s, s);
    }
}

void neonGambit(QPainter &p, const Frame &f) {
    Random rng(1111);
    QRadialGradient bg(f.at(0.5, 0.4), f.r.width() * 0.7);
    bg.setColorAt(0, QColor(0x2a, 0x10, 0x44));
    bg.setColorAt(1, QColor(0x07, 0x03, 0x10));
    p.fillRect(f.r, bg);
    const QPointF vanish = f.at(0.5, 0.62);
    p.setPen(QPen(QColor(60, 220, 255, 90), f.u() * 0.25));
    for (int i = 1; i < 12; ++i) {
        const qreal y = vanish.y() + (f.r.bottom() - vanish.y()) * std::pow(i / 11.0, 2);
        p.drawLine(QPointF(f.r.left(), y), QPointF(f.r.right(), y));
    }
    for (int i = -12; i <= 12; ++i)
        p.drawLine(vanish, QPointF(f.x(0.5 + i * 0.12), f.r.bottom()));
    glow(p, f.at(0.5, 0.55), f.u() * 60, QColor(255, 60, 180, 90));

    const Icon suits[] = {Icon::Club, Icon::Diamond, Icon::Spade, Icon::Heart, Icon::Spade};
    const char *ranks[] = {"10", "J", "A", "K", "Q"};
    const QColor neons[] = {QColor(60, 220, 255), QColor(255, 70, 190), QColor(255, 220, 90),
                            QColor(255, 70, 190), QColor(60, 220, 255)};
    const QPointF pivot = f.at(0.5, 1.02);
    for (int i = 0; i < 5; ++i)
        card(p, pivot, (i - 2) * 16.0, f.u() * 46, suits[i], QLatin1String(ranks[i]), neons[i]);
    // Chips at the table's edge.
    for (int i = 0; i < 6; ++i) {
        const QPointF c(f.x(i < 3 ? 0.1 + i * 0.05 : 0.78 + (i - 3) * 0.05), f.y(0.9) - (i % 3) * f.u() * 2);
        const QColor chip = (i % 2) ? QColor(255, 70, 150) : QColor(40, 200, 255);
        p.setPen(Qt::NoPen);
        p.setBrush(chip.darker(160));
        p.drawEllipse(c + QPointF(0, f.u()), f.u() * 5, f.u() * 2.2);
        p.setBrush(chip);
        p.drawEllipse(c, f.u() * 5, f.u() * 2.2);
        p.setPen(QPen(QColor(255, 255, 255, 200), f.u() * 0.5, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c, f.u() * 3.8, f.u() * 1.6);
    }
    sparks(p, f.r, rng, 30, f.u() * 0.3, f.u() * 0.8, QColor(255, 120, 220));
}

void rustbucketRally(QPainter &p, const Frame &f) {
    Random rng(1212);
    sky(p, f,
        {{0, QColor(0x4a, 0x22, 0x1a)},
         {0.35, QColor(0xc8, 0x64, 0x30)},
         {0.56, QColor(0xff, 0xc8, 0x80)},
         {1, QColor(0xff, 0xc8, 0x80)}});
    glow(p, f.at(0.28, 0.42), f.u() * 40, QColor(255, 240, 190, 170));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 246, 220));
    p.drawEllipse(f.at(0.28, 0.42), f.u() * 12, f.u() * 12);
    auto mesa = [&](qreal x, qreal w, qreal h, qreal baseY, const QColor &c) {
        p.fillPath(polygon({f.at(x - w * 0.6, baseY), f.at(x - w * 0.45, baseY - h),
                            f.at(x + w * 0.45, baseY - h), f.at(x + w * 0.6, baseY)}),
                   c);
    };
    mesa(0.1, 0.16, 0.12, 0.58, QColor(0xa8, 0x52, 0x34));
    mesa(0.55, 0.22, 0.16, 0.58, QColor(0xa8, 0x52, 0x34));
    mesa(0.88, 0.14, 0.09, 0.58, QColor(0xa8, 0x52, 0x34));
    fog(p, f, 0.58, 0.06, QColor(255, 210, 160, 140));
    QLinearGradient ground(0, f.y(0.58), 0, f.r.bottom());
    ground.setColorAt(0, QColor(0xd8, 0x84, 0x4a));
    ground.setColorAt(1, QColor(0x7a, 0x36, 0x1a));
    p.fillRect(QRectF(f.r.left(), f.y(0.58), f.r.width(), f.r.height() * 0.42), ground);
    mesa(0.3, 0.26, 0.1, 0.62, QColor(0x7a, 0x32, 0x1a));
    p.setPen(QPen(QColor(0x5a, 0x22, 0x10), f.u() * 0.5));
    for (int i = 1; i < 4; ++i)
        p.drawLine(f.at(0.3 - 0.13 - 0.01 * i, 0.62 - 0.1 + 0.025 * i),
                   f.at(0.3 + 0.13 + 0.01 * i, 0.62 - 0.1 + 0.025 * i));

    const QPointF vanish = f.at(0.66, 0.6);
    p.fillPath(polygon({vanish + QPointF(-f.u(), 0), vanish + QPointF(f.u(), 0),
                        QPointF(f.x(1.15), f.r.bottom()), QPointF(f.x(0.1), f.r.bottom())}),
               QColor(0x3a, 0x2a, 0x26));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xd0, 0x50));
    for (int i = 0; i < 9; ++i) {
        const qreal t0 = std::pow(i / 9.0, 2);
        const qreal t1 = std::pow((i + 0.5) / 9.0, 2);
        const QPointF a = vanish + (QPointF(f.x(0.62), f.r.bottom()) - vanish) * t0;
        const QPointF b = vanish + (QPointF(f.x(0.62), f.r.bottom()) - vanish) * t1;
        const qreal wa = f.u() * (0.1 + 1.2 * t0);
        const qreal wb = f.u() * (0.1 + 1.2 * t1);
        p.drawPolygon(
            QPolygonF({a - QPointF(wa, 0), a + QPointF(wa, 0), b + QPointF(wb, 0), b - QPointF(wb, 0)}));
    }

    // The rustbucket, dust trailing behind.
    const QPointF car = f.at(0.54, 0.86);
    const qreal s = f.u() * 7;
    QImage dust = newImage(static_cast<int>(f.r.width()), static_cast<int>(f.r.height()));
    {
        QPainter dp(&dust);
        dp.setRenderHint(QPainter::Antialiasing);
        dp.setPen(Qt::NoPen);
        for (int i = 0; i < 16; ++i) {
            const qreal back = rng.uniform(3, 10);
            dp.setBrush(QColor(0xf0, 0xc0, 0x90, static_cast<int>(150 - back * 10)));
            dp.drawEllipse(car - f.r.topLeft() + QPointF(-s * back, -s * rng.uniform(0, 1.8 + back * 0.15)),
                           s * rng.uniform(1.2, 2.4) * (0.6 + back * 0.1), s * rng.uniform(0.8, 1.6));
        }
    }
    p.drawImage(f.r.topLeft(), blurred(dust, static_cast<int>(f.u() * 1.5)));
    QPainterPath body;
    body.moveTo(car + QPointF(-3.2 * s, 0));
    body.lineTo(car + QPointF(-3.2 * s, -1.6 * s));
    body.lineTo(car + QPointF(-1.4 * s, -1.8 * s));
    body.lineTo(car + QPointF(-0.8 * s, -3.2 * s));
    body.lineTo(car + QPointF(1.2 * s, -3.2 * s));
    body.lineTo(car + QPointF(1.9 * s, -1.9 * s));
    body.lineTo(car + QPointF(3.4 * s, -1.6 * s));
    body.lineTo(car + QPointF(3.6 * s, 0));
    body.closeSubpath();
    QLinearGradient paint(car + QPointF(0, -3.2 * s), car);
    paint.setColorAt(0, QColor(0xc0, 0x6a, 0x34));
    paint.setColorAt(1, QColor(0x6a, 0x2a, 0x14));
    p.fillPath(body, paint);
    p.setBrush(QColor(0x4a, 0x1e, 0x10));
    for (int i = 0; i < 7; ++i)
        p.drawEllipse(car + QPointF(s * rng.uniform(-2.8, 3), -s * rng.uniform(0.4, 1.5)), s * 0.3, s * 0.22);
    p.setBrush(QColor(0x9a, 0xd0, 0xe0, 200));
    p.drawPolygon(QPolygonF({car + QPointF(-0.6 * s, -2.0 * s), car + QPointF(-0.4 * s, -2.9 * s),
                             car + QPointF(1.0 * s, -2.9 * s), car + QPointF(1.5 * s, -2.0 * s)}));
    for (qreal wx : {-2.0, 2.3}) {
        p.setBrush(QColor(0x16, 0x10, 0x0e));
        p.drawEllipse(car + QPointF(wx * s, 0), s * 1.05, s * 1.05);
        p.setBrush(QColor(0x8a, 0x80, 0x78));
        p.drawEllipse(car + QPointF(wx * s, 0), s * 0.4, s * 0.4);
    }
    p.fillRect(QRectF(car + QPointF(-3.5 * s, -0.9 * s), QSizeF(0.5 * s, 0.25 * s)),
               QColor(0x30, 0x2a, 0x28));
    glow(p, car + QPointF(3.5 * s, -1.2 * s), s * 1.2, QColor(255, 240, 180, 200));
    QPainterPath cactus;
    for (const QPointF &c : {f.at(0.92, 0.82), f.at(0.05, 0.76)}) {
        cactus.addRoundedRect(QRectF(c + QPointF(-f.u() * 1.5, -f.u() * 16), QSizeF(f.u() * 3, f.u() * 16)),
                              f.u() * 1.5, f.u() * 1.5);
        cactus.addRoundedRect(QRectF(c + QPointF(-f.u() * 5, -f.u() * 11), QSizeF(f.u() * 2.4, f.u() * 6)),
                              f.u() * 1.2, f.u() * 1.2);
        cactus.addRoundedRect(QRectF(c + QPointF(-f.u() * 5, -f.u() * 6.5), QSizeF(f.u() * 5, f.u() * 2)),
                              f.u(), f.u());
        cactus.addRoundedRect(QRectF(c + QPointF(f.u() * 2.6, -f.u() * 13), QSizeF(f.u() * 2.4, f.u() * 6)),
                              f.u() * 1.2, f.u() * 1.2);
        cactus.addRoundedRect(QRectF(c + QPointF(0, -f.u() * 8.5), QSizeF(f.u() * 5, f.u() * 2)), f.u(),
                              f.u());
    }
    cactus.setFillRule(Qt::WindingFill);
    p.fillPath(cactus, QColor(0x2a, 0x3a, 0x1a));
}

void moonlitMasquerade(QPainter &p, const Frame &f) {
    Random rng(1313);
    sky(p, f,
        {{0, QColor(0x08, 0x05, 0x16)}, {0.5, QColor(0x26, 0x12, 0x44)}, {1, QColor(0x3a, 0x1e, 0x5a)}});
    stars(p, f.r, rng, 120, f.u() * 0.7, QColor(240, 230, 255));
    const QPointF moon = f.at(0.74, 0.3);
    const qreal mr = f.u() * 20;
    glow(p, moon, mr * 2.6, QColor(220, 210, 255, 120));
    QRadialGradient moonFill(moon - QPointF(mr * 0.3, mr * 0.3), mr * 1.3);
    moonFill.setColorAt(0, QColor(0xff, 0xfa, 0xee));
    moonFill.setColorAt(1, QColor(0xc8, 0xc0, 0xe0));
    p.setPen(Qt::NoPen);
    p.setBrush(moonFill);
    p.drawEllipse(moon, mr, mr);
    p.setBrush(QColor(0xa8, 0xa0, 0xc8, 90));
    for (int i = 0; i < 6; ++i)
        p.drawEllipse(moon + QPointF(mr * rng.uniform(-0.6, 0.6), mr * rng.uniform(-0.6, 0.6)),
                      mr * rng.uniform(0.08, 0.2), mr * rng.uniform(0.08, 0.2));
    for (int i = 0; i < 3; ++i) {
        p.setBrush(QColor(0x30, 0x1a, 0x50, 150));
        p.drawEllipse(moon + QPointF(mr * (i - 1) * 1.2, mr * (0.3 + i * 0.25)), mr * 1.4, mr * 0.12);
    }

    // The manor on the hill, windows lit for the ball.
    const QColor dark(0x0a, 0x05, 0x14);
    p.fillPath(ridge(f, 0.86, 3, 30, rng), dark);
    const QPointF base = f.at(0.74, 0.87);
    const qreal k = f.u() * 1.7;
    QPainterPath manor;
    manor.addRect(QRectF(base + QPointF(-14 * k, -8 * k), QSizeF(28 * k, 8 * k)));
    manor.addPath(polygon(
        {base + QPointF(-15 * k, -8 * k), base + QPointF(0, -13 * k), base + QPointF(15 * k, -8 * k)}));
    for (qreal tx : {-16.0, 12.0}) {
        manor.addRect(QRectF(base + QPointF(tx * k, -14 * k), QSizeF(4 * k, 14 * k)));
        manor.addPath(polygon({base + QPointF((tx - 0.6) * k, -14 * k), base + QPointF((tx + 2) * k, -21 * k),
                               base + QPointF((tx + 4.6) * k, -14 * k)}));
    }
    manor.setFillRule(Qt::WindingFill);
    p.fillPath(manor, dark);
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 8; ++col) {
            const QRectF w(base + QPointF((-12 + col * 3.2) * k, (-6.8 + row * 3.4) * k),
                           QSizeF(1.4 * k, 2 * k));
            if (rng.uniform() < 0.75) {
                glow(p, w.center(), k * 2, QColor(255, 200, 100, 110));
                p.fillRect(w, QColor(255, 214, 130));
            }
        }

    // The mask: gold rim, deep violet face, a plume on one side.
    const QPointF c = f.at(0.36, 0.5);
    const qreal m = f.u() * 15;
    QPainterPath mask;
    mask.moveTo(c + QPointF(0, -0.2 * m));
    mask.cubicTo(c + QPointF(0.8 * m, -0.9 * m), c + QPointF(2.2 * m, -0.6 * m),
                 c + QPointF(2.4 * m, -0.9 * m));
    mask.cubicTo(c + QPointF(2.4 * m, 0.2 * m), c + QPointF(1.6 * m, 0.9 * m), c + QPointF(0.7 * m, 0.7 * m));
    mask.quadTo(c + QPointF(0.2 * m, 0.6 * m), c + QPointF(0, 0.3 * m));
    mask.quadTo(c + QPointF(-0.2 * m, 0.6 * m), c + QPointF(-0.7 * m, 0.7 * m));
    mask.cubicTo(c + QPointF(-1.6 * m, 0.9 * m), c + QPointF(-2.4 * m, 0.2 * m),
                 c + QPointF(-2.4 * m, -0.9 * m));
    mask.cubicTo(c + QPointF(-2.2 * m, -0.6 * m), c + QPointF(-0.8 * m, -0.9 * m), c + QPointF(0, -0.2 * m));
    QPainterPath eyes;
    for (int side : {-1, 1}) {
        QPainterPath eye;
        const QPointF e = c + QPointF(side * 1.05 * m, 0);
        eye.moveTo(e + QPointF(-0.55 * m, 0.05 * m));
        eye.quadTo(e + QPointF(0, -0.45 * m), e + QPointF(0.55 * m, 0.05 * m));
        eye.quadTo(e + QPointF(0, 0.35 * m), e + QPointF(-0.55 * m, 0.05 * m));
        eyes.addPath(eye);
    }
    const QPainterPath face = mask.subtracted(eyes);
    softShadow(p, face, QColor(0, 0, 0, 200), static_cast<int>(m * 0.12), QPointF(0, m * 0.08));
    QLinearGradient faceFill(c - QPointF(0, m), c + QPointF(0, m));
    faceFill.setColorAt(0, QColor(0x7a, 0x2a, 0xb0));
    faceFill.setColorAt(1, QColor(0x2a, 0x0a, 0x4a));
    p.fillPath(face, faceFill);
    QLinearGradient gold(c - QPointF(2 * m, m), c + QPointF(2 * m, m));
    gold.setColorAt(0, QColor(0xff, 0xe2, 0x8a));
    gold.setColorAt(0.5, QColor(0xc8, 0x8a, 0x20));
    gold.setColorAt(1, QColor(0xff, 0xd8, 0x70));
    p.setPen(QPen(QBrush(gold), m * 0.07));
    p.setBrush(Qt::NoBrush);
    p.drawPath(face);
    for (int i = 0; i < 3; ++i) {
        // Feathers: a slim vane curving up from the mask's corner, with a quill down its middle.
        const QPointF root = c + QPointF(2.15 * m, -0.75 * m);
        const QPointF tipPoint = root + QPointF(m * (0.1 + i * 0.55), -m * (1.9 - i * 0.25));
        const QPointF bend = root + QPointF(m * (0.6 + i * 0.3), -m * (0.9 - i * 0.1));
        const QPointF side(m * 0.22, m * 0.05);
        QPainterPath vane;
        vane.moveTo(root);
        vane.quadTo(bend - side, tipPoint);
        vane.quadTo(bend + side, root);
        const QColor colour = i == 1 ? QColor(0xe0, 0x5a, 0xb0) : QColor(0xa8, 0x6a, 0xf0);
        QLinearGradient featherFill(root, tipPoint);
        featherFill.setColorAt(0, colour.darker(150));
        featherFill.setColorAt(1, colour.lighter(120));
        p.fillPath(vane, featherFill);
        QPainterPath quill;
        quill.moveTo(root);
        quill.quadTo(bend, tipPoint);
        p.setPen(QPen(QColor(255, 230, 170, 200), m * 0.025));
        p.setBrush(Qt::NoBrush);
        p.drawPath(quill);
    }
    sparks(p, QRectF(c - QPointF(3 * m, 2 * m), QSizeF(6 * m, 4 * m)), rng, 26, f.u() * 0.3, f.u() * 0.8,
           QColor(255, 220, 140));
}

} // namespace skin::scene
