#include "CoverArt.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <cmath>
#include <numbers>

namespace {

struct Palette {
    QColor skyTop;
    QColor skyBottom;
    QColor accent;
    QColor ground;
};

QString text(std::string_view value) {
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

quint32 titleSeed(std::string_view title) {
    quint32 hash = 2166136261u; // FNV-1a: stable across runs, so a game always looks the same
    for (const char c : title)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash;
}

} // namespace

CoverArt::CoverArt(const GameEntry &game)
    : m_game(game)
    , m_seed(titleSeed(game.Title)) {
    const QString genre = text(game.Genre).toLower();
    if (genre.contains(u"naval") || genre.contains(u"strategy"))
        m_motif = Motif::Waves;
    else if (genre.contains(u"racing"))
        m_motif = Motif::Road;
    else if (genre.contains(u"farm"))
        m_motif = Motif::Fields;
    else if (genre.contains(u"puzzle"))
        m_motif = Motif::Hexes;
    else if (genre.contains(u"mmo"))
        m_motif = Motif::Castle;
    else if (genre.contains(u"adventure"))
        m_motif = Motif::Forest;
    else if (genre.contains(u"platform"))
        m_motif = Motif::Skyline;
    else if (genre.contains(u"survival"))
        m_motif = Motif::Peaks;
    else if (genre.contains(u"card"))
        m_motif = Motif::Cards;
    else if (genre.contains(u"mystery"))
        m_motif = Motif::Moon;
    else
        m_motif = Motif::Embers;
}

void CoverArt::paint(QPainter &painter, const QRectF &area) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(area);
    paintBackdrop(painter, area);
    paintMotif(painter, area);
    paintTitle(painter, area);
    painter.restore();
}

void CoverArt::paintBackdrop(QPainter &painter, const QRectF &area) const {
    static const Palette palettes[] = {
        {QColor(0x2a0d0a), QColor(0xc2410c), QColor(0xfbbf24), QColor(0x1c0a06)}, // Embers
        {QColor(0x0b1b3a), QColor(0x1e6091), QColor(0x7dd3fc), QColor(0x0a2540)}, // Waves
        {QColor(0x1a0b2e), QColor(0xdb2777), QColor(0xfde047), QColor(0x111827)}, // Road
        {QColor(0x0f3d5c), QColor(0xf59e0b), QColor(0xfef3c7), QColor(0x365314)}, // Fields
        {QColor(0x111827), QColor(0x134e4a), QColor(0x5eead4), QColor(0x0f172a)}, // Hexes
        {QColor(0x1e0b3a), QColor(0x7c3aed), QColor(0xc4b5fd), QColor(0x0c0718)}, // Castle
        {QColor(0x052e16), QColor(0x15803d), QColor(0xbbf7d0), QColor(0x022c1a)}, // Forest
        {QColor(0x1e1b4b), QColor(0xf97316), QColor(0xfde68a), QColor(0x111029)}, // Skyline
        {QColor(0x0c1f33), QColor(0x7dd3fc), QColor(0xf0f9ff), QColor(0xe2e8f0)}, // Peaks
        {QColor(0x0b0221), QColor(0x4c1d95), QColor(0x22d3ee), QColor(0x0b0221)}, // Cards
        {QColor(0x070b1f), QColor(0x312e81), QColor(0xfef9c3), QColor(0x05060f)}, // Moon
    };
    static_assert(std::size(palettes) == static_cast<std::size_t>(Motif::Moon) + 1);
    // Games sharing a motif still differ: the title's seed turns the palette's hue a little.
    const int hueShift = static_cast<int>(m_seed % 71) - 35;
    const auto turned = [hueShift](const QColor &color) {
        const int hue = color.hsvHue() < 0 ? 0 : (color.hsvHue() + hueShift + 360) % 360;
        return QColor::fromHsv(hue, color.hsvSaturation(), color.value());
    };
    const Palette &base = palettes[static_cast<int>(m_motif)];
    const Palette p{turned(base.skyTop), turned(base.skyBottom), turned(base.accent), turned(base.ground)};

    QLinearGradient sky(area.topLeft(), area.bottomLeft());
    sky.setColorAt(0.0, p.skyTop);
    sky.setColorAt(0.75, p.skyBottom);
    sky.setColorAt(1.0, p.ground);
    painter.fillRect(area, sky);

    // Scattered specks (stars, sparks, snow): placed by the title's seed.
    QRandomGenerator random(m_seed);
    QColor speck = p.accent;
    for (int i = 0; i < 70; ++i) {
        const QPointF at(area.left() + random.bounded(area.width()),
                         area.top() + random.bounded(area.height() * 0.7));
        speck.setAlphaF(static_cast<float>(0.25 + random.bounded(0.6)));
        painter.setPen(Qt::NoPen);
        painter.setBrush(speck);
        const qreal r = 0.6 + random.bounded(1.8);
        painter.drawEllipse(at, r, r);
    }
}

void CoverArt::paintMotif(QPainter &painter, const QRectF &a) const {
    QRandomGenerator random(m_seed ^ 0x9e3779b9u);
    const qreal w = a.width();
    const qreal h = a.height();
    const auto at = [&](qreal x, qreal y) { return QPointF(a.left() + x * w, a.top() + y * h); };
    painter.setPen(Qt::NoPen);

    switch (m_motif) {
    case Motif::Embers: {
        QPainterPath hills(at(0, 1));
        hills.lineTo(at(0, 0.72));
        hills.lineTo(at(0.25, 0.55));
        hills.lineTo(at(0.45, 0.68));
        hills.lineTo(at(0.7, 0.48));
        hills.lineTo(at(1, 0.66));
        hills.lineTo(at(1, 1));
        painter.setBrush(QColor(0x1c0a06));
        painter.drawPath(hills);
        QRadialGradient glow(at(0.7, 0.48), w * 0.35);
        glow.setColorAt(0, QColor(251, 191, 36, 200));
        glow.setColorAt(1, QColor(251, 191, 36, 0));
        painter.setBrush(glow);
        painter.drawEllipse(at(0.7, 0.48), w * 0.35, w * 0.35);
        break;
    }
    case Motif::Waves:
        for (int row = 0; row < 6; ++row) {
            QPainterPath wave(at(0, 1));
            const qreal base = 0.62 + row * 0.07;
            wave.lineTo(at(0, base));
            for (int i = 0; i <= 24; ++i) {
                const qreal x = i / 24.0;
                wave.lineTo(at(x, base + 0.015 * std::sin(x * 18 + row * 1.3)));
            }
            wave.lineTo(at(1, 1));
            painter.setBrush(QColor(14 + row * 6, 60 + row * 12, 120 + row * 14, 220));
            painter.drawPath(wave);
        }
        painter.setBrush(QColor(0xe2e8f0));
        painter.drawPolygon(QPolygonF{at(0.42, 0.6), at(0.5, 0.28), at(0.5, 0.6)});
        painter.setBrush(QColor(0x7c2d12));
        painter.drawPolygon(QPolygonF{at(0.34, 0.61), at(0.62, 0.61), at(0.57, 0.67), at(0.38, 0.67)});
        break;
    case Motif::Road: {
        painter.setBrush(QColor(0x111827));
        painter.drawPolygon(QPolygonF{at(0.47, 0.55), at(0.53, 0.55), at(1, 1), at(0, 1)});
        painter.setBrush(QColor(0xfde047));
        for (int i = 0; i < 6; ++i) {
            const qreal y0 = 0.58 + i * i * 0.012, y1 = y0 + 0.02 + i * 0.01;
            painter.drawRect(QRectF(at(0.497 - i * 0.002, y0), at(0.503 + i * 0.002, y1)));
        }
        painter.setPen(QPen(QColor(236, 72, 153, 150), 2));
        for (int i = 0; i < 12; ++i) {
            const qreal y = 0.15 + random.bounded(0.35);
            painter.drawLine(at(random.bounded(0.3), y), at(0.3 + random.bounded(0.7), y));
        }
        break;
    }
    case Motif::Fields:
        painter.setBrush(QColor(0xfde68a));
        painter.drawEllipse(at(0.75, 0.3), w * 0.09, w * 0.09);
        for (int i = 0; i < 4; ++i) {
            painter.setBrush(QColor::fromHsv(80 + i * 10, 160, 110 + i * 25));
            painter.drawEllipse(at(0.2 + i * 0.25, 0.78 + i * 0.05), w * 0.55, h * 0.2);
        }
        break;
    case Motif::Hexes:
        for (int row = 0; row < 9; ++row) {
            for (int col = 0; col < 7; ++col) {
                const QPointF c = at((col + (row % 2) * 0.5) / 6.0, 0.08 + row * 0.11);
                QPolygonF hex;
                for (int k = 0; k < 6; ++k) {
                    const double angle = std::numbers::pi / 3 * k + std::numbers::pi / 6;
                    hex << c + QPointF(std::cos(angle), std::sin(angle)) * w * 0.075;
                }
                const bool lit = random.bounded(5) == 0;
                painter.setPen(QPen(QColor(94, 234, 212, 120), 1.5));
                painter.setBrush(lit ? QColor(94, 234, 212, 110) : QColor(15, 23, 42, 120));
                painter.drawPolygon(hex);
            }
        }
        break;
    case Motif::Castle: {
        painter.setBrush(QColor(0x0c0718));
        QPainterPath castle(at(0, 1));
        castle.lineTo(at(0, 0.72));
        const qreal towers[] = {0.12, 0.3, 0.5, 0.7, 0.88};
        for (const qreal x : towers) {
            const qreal top = 0.42 + random.bounded(0.18);
            castle.lineTo(at(x - 0.06, 0.72));
            castle.lineTo(at(x - 0.06, top));
            castle.lineTo(at(x, top - 0.08));
            castle.lineTo(at(x + 0.06, top));
            castle.lineTo(at(x + 0.06, 0.72));
        }
        castle.lineTo(at(1, 0.72));
        castle.lineTo(at(1, 1));
        painter.drawPath(castle);
        painter.setBrush(QColor(196, 181, 253, 200));
        for (const qreal x : towers)
            painter.drawRect(QRectF(at(x - 0.01, 0.64), at(x + 0.01, 0.68)));
        break;
    }
    case Motif::Forest:
        for (int layer = 0; layer < 3; ++layer) {
            painter.setBrush(QColor::fromHsv(140, 200, 40 + layer * 30));
            for (int i = 0; i < 9; ++i) {
                const qreal x = (i + random.bounded(0.6)) / 8.0;
                const qreal base = 0.75 + layer * 0.09;
                const qreal top = base - 0.25 - random.bounded(0.12);
                painter.drawPolygon(QPolygonF{at(x, top), at(x + 0.07, base), at(x - 0.07, base)});
            }
        }
        break;
    case Motif::Skyline:
        painter.setBrush(QColor(0xfb923c));
        painter.drawEllipse(at(0.5, 0.62), w * 0.22, w * 0.22);
        for (qreal x = 0; x < 1.0;) {
            const qreal width = 0.06 + random.bounded(0.08);
            const qreal top = 0.45 + random.bounded(0.3);
            painter.setBrush(QColor(0x111029));
            painter.drawRect(QRectF(at(x, top), at(x + width, 1)));
            painter.setBrush(QColor(253, 230, 138, 160));
            for (qreal y = top + 0.03; y < 0.95; y += 0.05)
                if (random.bounded(3) == 0)
                    painter.drawRect(QRectF(at(x + width * 0.3, y), at(x + width * 0.5, y + 0.02)));
            x += width + 0.01;
        }
        break;
    case Motif::Peaks:
        for (int layer = 0; layer < 2; ++layer) {
            QPainterPath peaks(at(0, 1));
            peaks.lineTo(at(0, 0.7 + layer * 0.1));
            for (int i = 0; i < 5; ++i) {
                peaks.lineTo(at(0.1 + i * 0.22, 0.4 + layer * 0.15 + random.bounded(0.1)));
                peaks.lineTo(at(0.2 + i * 0.22, 0.7 + layer * 0.1));
            }
            peaks.lineTo(at(1, 1));
            painter.setBrush(layer == 0 ? QColor(0x94a3b8) : QColor(0xe2e8f0));
            painter.drawPath(peaks);
        }
        break;
    case Motif::Cards:
        for (int i = 0; i < 3; ++i) {
            painter.save();
            painter.translate(at(0.5, 0.6));
            painter.rotate(-20 + i * 20);
            const QRectF card(-w * 0.14, -h * 0.22, w * 0.28, h * 0.36);
            painter.setPen(QPen(i == 1 ? QColor(0x22d3ee) : QColor(0xf472b6), 3));
            painter.setBrush(QColor(11, 2, 33, 230));
            painter.drawRoundedRect(card, 10, 10);
            painter.setPen(Qt::NoPen);
            painter.setBrush(i == 1 ? QColor(0x22d3ee) : QColor(0xf472b6));
            painter.drawEllipse(card.center(), w * 0.05, w * 0.05);
            painter.restore();
        }
        break;
    case Motif::Moon: {
        painter.setBrush(QColor(0xfef9c3));
        painter.drawEllipse(at(0.7, 0.25), w * 0.12, w * 0.12);
        painter.setBrush(QColor(0x070b1f));
        painter.drawEllipse(at(0.66, 0.23), w * 0.11, w * 0.11);
        QPainterPath mask;
        mask.moveTo(at(0.25, 0.55));
        mask.cubicTo(at(0.35, 0.48), at(0.65, 0.48), at(0.75, 0.55));
        mask.cubicTo(at(0.7, 0.7), at(0.55, 0.72), at(0.5, 0.64));
        mask.cubicTo(at(0.45, 0.72), at(0.3, 0.7), at(0.25, 0.55));
        painter.setBrush(QColor(0xa78bfa));
        painter.drawPath(mask);
        painter.setBrush(QColor(0x070b1f));
        painter.drawEllipse(at(0.4, 0.58), w * 0.05, h * 0.02);
        painter.drawEllipse(at(0.6, 0.58), w * 0.05, h * 0.02);
        break;
    }
    }
}

void CoverArt::paintTitle(QPainter &painter, const QRectF &area) const {
    // A dark band behind the title keeps it readable over any motif.
    const QRectF band(area.left(), area.bottom() - area.height() * 0.24, area.width(), area.height() * 0.24);
    QLinearGradient shade(band.topLeft(), band.bottomLeft());
    shade.setColorAt(0, QColor(0, 0, 0, 0));
    shade.setColorAt(0.4, QColor(0, 0, 0, 170));
    shade.setColorAt(1, QColor(0, 0, 0, 220));
    painter.fillRect(band, shade);

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(qMax(10, static_cast<int>(area.width() * 0.1)));
    const QString title = text(m_game.Title).toUpper();
    // Shrink long titles until they fit the cover's width.
    while (font.pixelSize() > 10 && QFontMetricsF(font).horizontalAdvance(title) > area.width() * 0.9)
        font.setPixelSize(font.pixelSize() - 1);
    painter.setFont(font);
    const QRectF titleBox = band.adjusted(0, band.height() * 0.3, 0, 0);
    painter.setPen(QColor(0, 0, 0, 200));
    painter.drawText(titleBox.translated(2, 2), Qt::AlignHCenter | Qt::AlignTop, title);
    painter.setPen(QColor(0xf8fafc));
    painter.drawText(titleBox, Qt::AlignHCenter | Qt::AlignTop, title);

    QFont small = font;
    small.setBold(false);
    small.setPixelSize(qMax(8, font.pixelSize() / 2));
    painter.setFont(small);
    painter.setPen(QColor(0xcbd5e1));
    painter.drawText(band.adjusted(0, 0, 0, -area.height() * 0.02), Qt::AlignHCenter | Qt::AlignBottom,
                     text(m_game.Developer));
}
