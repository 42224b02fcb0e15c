#include "SkinSurfaces.h"

#include "SkinCanvas.h"
#include "SkinControls.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <cmath>
#include <numbers>

namespace skin {

namespace {

void prepare(QPainter &p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

void deepBackdrop(QPainter &p, const QRectF &r, QPointF light, const QColor &lit) {
    QRadialGradient base(QPointF(r.width() * light.x(), r.height() * light.y()), r.width() * 0.9);
    base.setColorAt(0, lit);
    base.setColorAt(0.45, palette::Ink1);
    base.setColorAt(1, palette::Ink0);
    p.fillRect(r, base);
}

// A layer of pattern faded out towards the edges by a radial mask.
void maskedPattern(QPainter &p, const QRectF &r, QPointF centre, qreal reach, const auto &drawPattern) {
    QImage layer = newImage(static_cast<int>(r.width()), static_cast<int>(r.height()));
    {
        QPainter lp(&layer);
        lp.setRenderHint(QPainter::Antialiasing);
        drawPattern(lp);
        lp.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        QRadialGradient mask(QPointF(r.width() * centre.x(), r.height() * centre.y()), r.width() * reach);
        mask.setColorAt(0, QColor(0, 0, 0, 255));
        mask.setColorAt(0.35, QColor(0, 0, 0, 190));
        mask.setColorAt(0.7, QColor(0, 0, 0, 60));
        mask.setColorAt(1, QColor(0, 0, 0, 0));
        lp.fillRect(layer.rect(), mask);
    }
    p.drawImage(r.topLeft(), layer);
}

void hexGrid(QPainter &p, const QRectF &r, qreal size, const QColor &colour) {
    const qreal w = std::sqrt(3.0) * size;
    const qreal h = 1.5 * size;
    p.setPen(QPen(colour, 1.4));
    p.setBrush(Qt::NoBrush);
    for (int row = -1; row * h < r.height() + size; ++row) {
        for (int col = -1; col * w < r.width() + w; ++col) {
            const QPointF c(col * w + ((row & 1) ? w / 2 : 0), row * h);
            QPolygonF hex;
            for (int k = 0; k < 6; ++k) {
                const double a = std::numbers::pi / 3 * k + std::numbers::pi / 6;
                hex << c + QPointF(size * std::cos(a), size * std::sin(a));
            }
            p.drawPolygon(hex);
        }
    }
}

void contourLines(QPainter &p, const QRectF &r, const QColor &colour) {
    p.setPen(QPen(colour, 1.6));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 34; ++i) {
        QPainterPath line;
        const qreal base = r.height() * (i / 30.0) - 60;
        for (int x = 0; x <= static_cast<int>(r.width()); x += 16) {
            const qreal y = base + 34 * std::sin(x / 260.0 + i * 0.35) + 18 * std::sin(x / 97.0 - i * 0.7);
            if (x == 0)
                line.moveTo(x, y);
            else
                line.lineTo(x, y);
        }
        p.drawPath(line);
    }
}

void lightBeams(QPainter &p, const QRectF &r, const QColor &colour) {
    p.save();
    p.setPen(Qt::NoPen);
    const qreal starts[] = {0.08, 0.22, 0.31, 0.58};
    const qreal widths[] = {90, 40, 140, 60};
    for (int i = 0; i < 4; ++i) {
        const qreal x = r.width() * starts[i];
        QPolygonF beam;
        beam << QPointF(x, 0) << QPointF(x + widths[i], 0)
             << QPointF(x + widths[i] + r.height() * 0.7, r.height())
             << QPointF(x + r.height() * 0.7, r.height());
        QLinearGradient g(0, 0, 0, r.height());
        g.setColorAt(0, colour);
        g.setColorAt(1, withAlpha(colour, 0));
        p.setBrush(g);
        p.drawPolygon(beam);
    }
    p.restore();
}

void motes(QPainter &p, const QRectF &r, std::uint32_t seed, int count, const QColor &colour) {
    Random rng(seed);
    for (int i = 0; i < count; ++i) {
        const QPointF at(rng.uniform(0, r.width()), rng.uniform(0, r.height()));
        const qreal size = rng.uniform(1.5, 5);
        glow(p, at, size * 4, withAlpha(colour, static_cast<int>(rng.uniform(30, 90))));
        p.setPen(Qt::NoPen);
        p.setBrush(withAlpha(colour, 160));
        p.drawEllipse(at, size * 0.4, size * 0.4);
    }
}

// A translucent dark panel with a gradient rim; most panels of the window use this.
void glassPanel(QPainter &p, const QRectF &r, qreal radius, const QColor &tint, int alpha,
                const QColor &edge) {
    const QPainterPath shape = roundedRect(r, radius);
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, withAlpha(mix(palette::Ink3, tint, 0.25), alpha));
    fill.setColorAt(1, withAlpha(palette::Ink1, std::min(255, alpha + 15)));
    p.fillPath(shape, fill);
    QLinearGradient rim(r.topLeft(), r.bottomLeft());
    rim.setColorAt(0, withAlpha(edge, 220));
    rim.setColorAt(1, withAlpha(edge, 60));
    p.setPen(QPen(QBrush(rim), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(roundedRect(r.adjusted(1.25, 1.25, -1.25, -1.25), radius - 1));
}

void accentLine(QPainter &p, const QRectF &line) {
    QLinearGradient g(line.topLeft(), line.topRight());
    g.setColorAt(0, withAlpha(palette::Cyan, 0));
    g.setColorAt(0.2, palette::Cyan);
    g.setColorAt(0.8, palette::Amber);
    g.setColorAt(1, withAlpha(palette::Amber, 0));
    p.fillRect(line, g);
}

} // namespace

QImage loginBackground() {
    QImage image = newImage(1920, 1080, palette::Ink0);
    QPainter p(&image);
    prepare(p);
    const QRectF r = image.rect();
    deepBackdrop(p, r, {0.5, 0.42}, QColor(0x1b, 0x2d, 0x58));
    maskedPattern(p, r, {0.5, 0.45}, 0.6,
                  [&](QPainter &lp) { hexGrid(lp, r, 46, QColor(120, 180, 255, 34)); });
    lightBeams(p, r, QColor(90, 200, 255, 16));
    glow(p, QPointF(r.width() * 0.12, r.height() * 0.1), 760, QColor(56, 198, 234, 70));
    glow(p, QPointF(r.width() * 0.92, r.height() * 0.95), 820, QColor(255, 140, 50, 55));
    drawEmblem(p, QRectF(r.width() * 0.5 - 430, r.height() * 0.5 - 430, 860, 860), 0.05);
    motes(p, r, 11, 90, QColor(150, 220, 255));
    vignette(p, r, 0.75);
    grain(p, r, 5, 10, 0.004);
    return image;
}

QImage mainBackground() {
    QImage image = newImage(1920, 1080, palette::Ink0);
    QPainter p(&image);
    prepare(p);
    const QRectF r = image.rect();
    deepBackdrop(p, r, {0.55, 0.3}, QColor(0x17, 0x26, 0x49));
    maskedPattern(p, r, {0.55, 0.4}, 0.8,
                  [&](QPainter &lp) { contourLines(lp, r, QColor(120, 180, 255, 26)); });
    glow(p, QPointF(r.width() * 0.05, r.height() * 0.95), 700, QColor(56, 198, 234, 50));
    glow(p, QPointF(r.width() * 0.98, r.height() * 0.05), 700, QColor(255, 150, 60, 45));
    motes(p, r, 23, 50, QColor(150, 220, 255));
    vignette(p, r, 0.7);
    grain(p, r, 7, 10, 0.004);
    return image;
}

QImage sidePanel() {
    QImage image = newImage(400, 1220);
    QPainter p(&image);
    prepare(p);
    QPainterPath shape;
    shape.moveTo(0, 0);
    shape.lineTo(376, 0);
    shape.quadTo(400, 0, 400, 24);
    shape.lineTo(400, 1196);
    shape.quadTo(400, 1220, 376, 1220);
    shape.lineTo(0, 1220);
    shape.closeSubpath();
    QLinearGradient fill(0, 0, 0, 1220);
    fill.setColorAt(0, withAlpha(palette::Ink3, 235));
    fill.setColorAt(1, withAlpha(palette::Ink1, 245));
    p.fillPath(shape, fill);
    p.save();
    p.setClipPath(shape);
    glow(p, QPointF(200, 0), 420, QColor(56, 198, 234, 45));
    maskedPattern(p, QRectF(0, 0, 400, 1220), {0.5, 1.0}, 1.2,
                  [&](QPainter &lp) { hexGrid(lp, QRectF(0, 0, 400, 1220), 26, QColor(120, 180, 255, 22)); });
    drawEmblem(p, QRectF(80, 920, 240, 240), 0.10);
    p.restore();
    QLinearGradient edge(0, 0, 0, 1220);
    edge.setColorAt(0, palette::Cyan);
    edge.setColorAt(0.6, withAlpha(palette::Cyan, 60));
    edge.setColorAt(1, withAlpha(palette::Amber, 120));
    p.fillRect(QRectF(396, 24, 3, 1172), edge);
    grain(p, QRectF(0, 0, 398, 1220), 13, 12, 0.01);
    return image;
}

QImage statusBar() {
    QImage image = newImage(2048, 92);
    QPainter p(&image);
    prepare(p);
    QLinearGradient fill(0, 0, 0, 92);
    fill.setColorAt(0, withAlpha(palette::Ink2, 248));
    fill.setColorAt(1, withAlpha(palette::Ink0, 248));
    p.fillRect(QRectF(0, 0, 2048, 89), fill);
    glow(p, QPointF(180, 46), 420, QColor(56, 198, 234, 40));
    p.fillRect(QRectF(0, 0, 2048, 1.5), QColor(255, 255, 255, 30));
    accentLine(p, QRectF(0, 88, 2048, 3));
    return image;
}

QImage dialogBackground() {
    QImage image = newImage(1200, 480);
    QPainter p(&image);
    prepare(p);
    const QRectF body(4, 4, 1192, 472);
    const QPainterPath shape = roundedRect(body, 30);
    QLinearGradient fill(body.topLeft(), body.bottomRight());
    fill.setColorAt(0, QColor(0x1a, 0x29, 0x4d));
    fill.setColorAt(1, palette::Ink0);
    p.fillPath(shape, fill);
    p.save();
    p.setClipPath(shape);
    maskedPattern(p, body, {0.85, 0.3}, 0.9,
                  [&](QPainter &lp) { hexGrid(lp, body, 30, QColor(120, 180, 255, 20)); });
    glow(p, QPointF(120, 40), 520, QColor(56, 198, 234, 55));
    glow(p, QPointF(1150, 470), 420, QColor(255, 150, 60, 45));
    drawEmblem(p, QRectF(930, 150, 360, 360), 0.07);
    p.restore();
    QLinearGradient edge(body.topLeft(), body.topRight());
    edge.setColorAt(0, palette::Cyan);
    edge.setColorAt(1, palette::Amber);
    p.setPen(QPen(QBrush(edge), 4));
    p.drawPath(roundedRect(body.adjusted(2, 2, -2, -2), 28));
    p.setPen(QPen(QColor(255, 255, 255, 26), 1.5));
    p.drawPath(roundedRect(body.adjusted(12, 12, -12, -12), 20));
    return image;
}

QImage chatBackground() {
    QImage image = newImage(900, 600);
    QPainter p(&image);
    prepare(p);
    const QRectF body(3, 3, 894, 594);
    glassPanel(p, body, 18, palette::CyanDeep, 215, palette::Line.lighter(150));
    p.save();
    p.setClipPath(roundedRect(body, 18));
    glow(p, QPointF(120, 0), 380, QColor(56, 198, 234, 40));
    p.restore();
    accentLine(p, QRectF(40, 3, 820, 3));
    return image;
}

QImage loginFrame() {
    QImage image = newImage(720, 840);
    QPainter p(&image);
    prepare(p);
    const QRectF body(14, 12, 692, 812);
    softShadow(p, roundedRect(body, 34), QColor(0, 0, 0, 170), 14, QPointF(0, 8));
    glassPanel(p, body, 34, palette::CyanDeep, 225, palette::Cyan);
    p.save();
    p.setClipPath(roundedRect(body, 34));
    glow(p, QPointF(360, 12), 520, QColor(56, 198, 234, 60));
    maskedPattern(p, body, {0.5, 0.0}, 0.9,
                  [&](QPainter &lp) { hexGrid(lp, body, 24, QColor(120, 180, 255, 26)); });
    p.restore();
    grain(p, body, 17, 10, 0.01);
    accentLine(p, QRectF(70, 13, 580, 4));
    return image;
}

QImage cardRow(const QColor &accent) {
    QImage image = newImage(1200, 320);
    QPainter p(&image);
    prepare(p);
    const QRectF body(8, 8, 1184, 298);
    const QPainterPath shape = roundedRect(body, 28);
    softShadow(p, shape, QColor(0, 0, 0, 160), 10, QPointF(0, 5));
    QLinearGradient fill(body.topLeft(), body.topRight());
    fill.setColorAt(0, withAlpha(mix(palette::Ink2, accent, 0.22), 240));
    fill.setColorAt(0.45, withAlpha(palette::Ink2, 235));
    fill.setColorAt(1, withAlpha(palette::Ink1, 235));
    p.fillPath(shape, fill);
    p.save();
    p.setClipPath(shape);
    glow(p, QPointF(body.left() + 200, body.top()), 420, withAlpha(accent, 55));
    p.fillRect(QRectF(body.left(), body.top(), 9, body.height()), accent);
    p.restore();
    QLinearGradient rim(body.topLeft(), body.topRight());
    rim.setColorAt(0, withAlpha(accent, 230));
    rim.setColorAt(1, withAlpha(accent, 50));
    p.setPen(QPen(QBrush(rim), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(roundedRect(body.adjusted(1.25, 1.25, -1.25, -1.25), 27));
    return image;
}

QImage paper() {
    QImage image = newImage(1200, 900);
    QPainter p(&image);
    prepare(p);
    const QRectF sheet(10, 10, 1180, 880);
    const QPainterPath shape = roundedRect(sheet, 20);
    softShadow(p, shape, QColor(0, 0, 0, 170), 10, QPointF(0, 5));
    QLinearGradient fill(sheet.topLeft(), sheet.bottomRight());
    fill.setColorAt(0, QColor(0x1f, 0x2a, 0x44));
    fill.setColorAt(1, QColor(0x12, 0x19, 0x2b));
    p.fillPath(shape, fill);
    p.save();
    p.setClipPath(shape);
    glow(p, QPointF(600, 0), 700, QColor(255, 210, 150, 22));
    p.setPen(QPen(QColor(160, 190, 240, 16), 1.5));
    for (qreal y = 170; y < sheet.bottom() - 30; y += 44)
        p.drawLine(QPointF(sheet.left() + 60, y), QPointF(sheet.right() - 60, y));
    grain(p, sheet, 19, 14, 0.02);
    p.restore();

    // Masthead: a title between two rules, the way a printed sheet starts.
    const QColor ink(0xf2, 0xe6, 0xcc);
    p.fillRect(QRectF(60, 36, 1080, 3), withAlpha(ink, 170));
    p.fillRect(QRectF(60, 44, 1080, 1.5), withAlpha(ink, 120));
    effectText(p, QRectF(60, 46, 1080, 46), Qt::AlignCenter, QStringLiteral("THE QUILLBARROW GAZETTE"),
               font(Face::SerifCondensedBold, 36, 118), ink, QColor(0, 0, 0, 200), 5);
    p.fillRect(QRectF(60, 94, 1080, 1.5), withAlpha(ink, 120));
    p.fillRect(QRectF(60, 99, 1080, 3), withAlpha(ink, 170));
    p.setPen(Qt::NoPen);
    p.setBrush(palette::Amber);
    for (qreal x : {80.0, 1120.0}) {
        QPolygonF diamond;
        diamond << QPointF(x, 58) << QPointF(x + 11, 69) << QPointF(x, 80) << QPointF(x - 11, 69);
        p.drawPolygon(diamond);
    }
    p.setPen(QPen(withAlpha(ink, 60), 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(roundedRect(sheet.adjusted(20, 20, -20, -20), 10));
    return image;
}

} // namespace skin
