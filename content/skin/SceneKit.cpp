#include "Scenes.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPathStroker>
#include <array>
#include <cmath>
#include <numbers>

namespace skin::scene {

QPainterPath strokeOf(const QPainterPath &line, qreal width) {
    QPainterPathStroker s;
    s.setWidth(width);
    s.setCapStyle(Qt::RoundCap);
    s.setJoinStyle(Qt::RoundJoin);
    return s.createStroke(line);
}

QPainterPath hexagon(QPointF c, qreal size) {
    QPainterPath path;
    for (int k = 0; k < 6; ++k) {
        const double a = std::numbers::pi / 3 * k + std::numbers::pi / 6;
        const QPointF pt = c + QPointF(size * std::cos(a), size * std::sin(a));
        if (k == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    path.closeSubpath();
    return path;
}

// A sailing ship facing right; `s` is its height.

void sky(QPainter &p, const Frame &f, std::initializer_list<std::pair<qreal, QColor>> stops) {
    QLinearGradient g(f.r.topLeft(), f.r.bottomLeft());
    for (const auto &[at, colour] : stops)
        g.setColorAt(at, colour);
    p.fillRect(f.r, g);
}

void stars(QPainter &p, const QRectF &area, Random &rng, int count, qreal maxSize, const QColor &colour) {
    p.save();
    p.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
        const QPointF at(rng.uniform(area.left(), area.right()), rng.uniform(area.top(), area.bottom()));
        const qreal size = maxSize * std::pow(rng.uniform(), 3.0) + 0.6;
        const int alpha = static_cast<int>(rng.uniform(90, 255));
        if (size > maxSize * 0.6)
            glow(p, at, size * 5, withAlpha(colour, alpha / 3));
        p.setBrush(withAlpha(colour, alpha));
        p.drawEllipse(at, size * 0.5, size * 0.5);
    }
    p.restore();
}

QPainterPath ridge(const Frame &f, qreal baseY, qreal amplitude, qreal wavelength, Random &rng,
                   qreal jagged) {
    const std::array<qreal, 3> phase{rng.uniform(0, 6.28), rng.uniform(0, 6.28), rng.uniform(0, 6.28)};
    const qreal amp = amplitude * f.u();
    const qreal wave = wavelength * f.u();
    QPainterPath path;
    path.moveTo(f.r.left(), f.r.bottom());
    const qreal step = std::max<qreal>(2, f.u() * 0.8);
    for (qreal x = f.r.left(); x <= f.r.right() + step; x += step) {
        qreal h = std::sin(x / wave + phase[0]) * 0.6 + std::sin(x / wave * 2.3 + phase[1]) * 0.28 +
                  std::sin(x / wave * 5.1 + phase[2]) * 0.12;
        if (jagged > 0)
            h += rng.uniform(-jagged, jagged);
        path.lineTo(x, f.y(baseY) - h * amp);
    }
    path.lineTo(f.r.right() + step, f.r.bottom());
    path.closeSubpath();
    return path;
}

void fog(QPainter &p, const Frame &f, qreal y, qreal height, const QColor &colour) {
    QLinearGradient g(0, f.y(y - height / 2), 0, f.y(y + height / 2));
    g.setColorAt(0, withAlpha(colour, 0));
    g.setColorAt(0.5, colour);
    g.setColorAt(1, withAlpha(colour, 0));
    p.fillRect(QRectF(f.r.left(), f.y(y - height / 2), f.r.width(), f.r.height() * height), g);
}

void sparks(QPainter &p, const QRectF &area, Random &rng, int count, qreal minSize, qreal maxSize,
            const QColor &colour) {
    p.save();
    p.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
        const QPointF at(rng.uniform(area.left(), area.right()), rng.uniform(area.top(), area.bottom()));
        const qreal size = rng.uniform(minSize, maxSize);
        const int alpha = static_cast<int>(rng.uniform(120, 255));
        glow(p, at, size * 3.5, withAlpha(colour, alpha / 2));
        p.setBrush(withAlpha(colour.lighter(140), alpha));
        p.drawEllipse(at, size * 0.45, size * 0.45);
    }
    p.restore();
}

QPainterPath polygon(std::initializer_list<QPointF> points) {
    QPainterPath path;
    bool first = true;
    for (const QPointF &pt : points) {
        if (first)
            path.moveTo(pt);
        else
            path.lineTo(pt);
        first = false;
    }
    path.closeSubpath();
    return path;
}

namespace {

QPointF toward(QPointF from, qreal length, qreal degrees) {
    const qreal a = degrees * std::numbers::pi / 180;
    return from + QPointF(std::sin(a) * length, std::cos(a) * length);
}

QPointF neckOf(QPointF hip, qreal height, const Pose &pose) {
    const qreal leanA = pose.lean * std::numbers::pi / 180;
    return hip + QPointF(std::sin(leanA) * height * 0.3, -std::cos(leanA) * height * 0.3);
}

} // namespace

QPointF figureHand(QPointF hip, qreal height, const Pose &pose, bool right) {
    const QPointF shoulder = hip + (neckOf(hip, height, pose) - hip) * 0.92;
    const qreal arm = right ? pose.rightArm : pose.leftArm;
    return toward(toward(shoulder, height * 0.15, arm), height * 0.14, arm * 0.75);
}

QList<QPointF> peakLine(const Frame &f, qreal baseY, qreal minHeight, qreal maxHeight, qreal spacing,
                        Random &rng) {
    QList<QPointF> line;
    qreal x = f.r.left() - f.u() * rng.uniform(0, spacing);
    bool top = true;
    while (x < f.r.right() + f.u() * spacing) {
        const qreal h =
            top ? rng.uniform(minHeight, maxHeight) : rng.uniform(minHeight * 0.1, minHeight * 0.6);
        line.append(QPointF(x, f.y(baseY) - h * f.u()));
        x += f.u() * spacing * rng.uniform(0.45, 1.0);
        top = !top;
    }
    return line;
}

QPainterPath closedBelow(const Frame &f, const QList<QPointF> &line) {
    QPainterPath path;
    path.moveTo(line.first().x(), f.r.bottom());
    for (const QPointF &pt : line)
        path.lineTo(pt);
    path.lineTo(line.last().x(), f.r.bottom());
    path.closeSubpath();
    return path;
}

QPainterPath figure(QPointF hip, qreal height, const Pose &pose) {
    const QPointF neck = neckOf(hip, height, pose);
    const QPointF shoulder = hip + (neck - hip) * 0.92;
    QPainterPath lines;
    lines.moveTo(hip);
    lines.lineTo(neck);
    for (qreal arm : {pose.leftArm, pose.rightArm}) {
        const QPointF elbow = toward(shoulder, height * 0.15, arm);
        lines.moveTo(shoulder);
        lines.lineTo(elbow);
        lines.lineTo(toward(elbow, height * 0.14, arm * 0.75));
    }
    for (qreal leg : {pose.leftLeg, pose.rightLeg}) {
        const QPointF knee = toward(hip, height * 0.24, leg);
        lines.moveTo(hip);
        lines.lineTo(knee);
        lines.lineTo(toward(knee, height * 0.24, leg * 0.4 - (leg > 0 ? -10 : 10)));
    }
    QPainterPathStroker limbs;
    limbs.setWidth(height * 0.065);
    limbs.setCapStyle(Qt::RoundCap);
    limbs.setJoinStyle(Qt::RoundJoin);
    QPainterPath body = limbs.createStroke(lines);
    QPainterPathStroker torso;
    torso.setWidth(height * 0.12);
    torso.setCapStyle(Qt::RoundCap);
    QPainterPath spine;
    spine.moveTo(hip + (neck - hip) * 0.1);
    spine.lineTo(hip + (neck - hip) * 0.85);
    body.addPath(torso.createStroke(spine));
    body.addEllipse(neck + (neck - hip) * 0.28, height * 0.065, height * 0.07);
    body.setFillRule(Qt::WindingFill);
    return body.simplified();
}

void paintScene(QPainter &p, const QRectF &area, int index) {
    using Painter = void (*)(QPainter &, const Frame &);
    static constexpr std::array<Painter, 13> painters{
        emberHollow, tidebreakerTactics, starfallDrift,     ironMeadow,    hexbound,
        cinderVale,  pocketArmada,       whisperwood,       skylineSprint, frostbiteFrontier,
        neonGambit,  rustbucketRally,    moonlitMasquerade,
    };
    p.save();
    p.setClipRect(area);
    p.setRenderHint(QPainter::Antialiasing);
    painters.at(static_cast<std::size_t>(index))(p, Frame{area});
    p.restore();
}

} // namespace skin::scene
