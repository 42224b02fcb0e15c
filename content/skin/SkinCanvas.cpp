#include "SkinCanvas.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QRadialGradient>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

namespace skin {

namespace {

struct FaceName {
    const char *family;
    const char *style;
    const char *package; // the Debian package that holds the face
};

// Indexed by Face.
constexpr std::array<FaceName, 8> faceNames{{
    {"DejaVu Sans", "Book", "fonts-dejavu-core"},
    {"DejaVu Sans", "Bold", "fonts-dejavu-core"},
    {"DejaVu Sans", "Condensed", "fonts-dejavu-extra"},
    {"DejaVu Sans", "Condensed Bold", "fonts-dejavu-extra"},
    {"DejaVu Sans", "ExtraLight", "fonts-dejavu-extra"},
    {"DejaVu Serif", "Book", "fonts-dejavu-core"},
    {"DejaVu Serif", "Bold", "fonts-dejavu-core"},
    {"DejaVu Serif", "Condensed Bold", "fonts-dejavu-extra"},
}};

QFont baseFont(Face face) {
    const FaceName &n = faceNames.at(static_cast<std::size_t>(face));
    QFont f = QFontDatabase::font(QLatin1String(n.family), QLatin1String(n.style), 12);
    f.setStyleStrategy(QFont::PreferAntialias);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

// One pass of a running-sum box blur along rows (or columns when `vertical`).
void boxPass(std::vector<std::array<int, 4>> &px, int w, int h, int radius, bool vertical) {
    const int lines = vertical ? w : h;
    const int length = vertical ? h : w;
    std::vector<std::array<int, 4>> line(static_cast<std::size_t>(length));
    const int window = 2 * radius + 1;
    for (int l = 0; l < lines; ++l) {
        auto at = [&](int i) -> std::array<int, 4> & {
            const int c = std::clamp(i, 0, length - 1);
            return vertical ? px[static_cast<std::size_t>(c * w + l)]
                            : px[static_cast<std::size_t>(l * w + c)];
        };
        std::array<int, 4> sum{};
        for (int i = -radius; i <= radius; ++i)
            for (int c = 0; c < 4; ++c)
                sum[c] += at(i)[c];
        for (int i = 0; i < length; ++i) {
            for (int c = 0; c < 4; ++c)
                line[static_cast<std::size_t>(i)][c] = sum[c] / window;
            const auto &out = at(i - radius);
            const auto &in = at(i + radius + 1);
            for (int c = 0; c < 4; ++c)
                sum[c] += in[c] - out[c];
        }
        for (int i = 0; i < length; ++i)
            at(i) = line[static_cast<std::size_t>(i)];
    }
}

} // namespace

bool loadFonts() {
    const QDir dir(QStringLiteral("/usr/share/fonts/truetype/dejavu"));
    const QStringList files = dir.entryList({QStringLiteral("DejaVu*.ttf")}, QDir::Files);
    for (const QString &file : files)
        QFontDatabase::addApplicationFont(dir.filePath(file));
    bool ok = true;
    for (std::size_t i = 0; i < faceNames.size(); ++i) {
        const QFontInfo info(baseFont(static_cast<Face>(i)));
        if (info.family() != QLatin1String(faceNames[i].family) ||
            info.styleName() != QLatin1String(faceNames[i].style)) {
            std::fprintf(stderr, "skin: font %s %s is missing (got %s %s); install %s\n", faceNames[i].family,
                         faceNames[i].style, qPrintable(info.family()), qPrintable(info.styleName()),
                         faceNames[i].package);
            ok = false;
        }
    }
    return ok;
}

QFont font(Face face, qreal pixelSize, qreal letterSpacingPercent) {
    QFont f = baseFont(face);
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(pixelSize))));
    if (letterSpacingPercent != 100)
        f.setLetterSpacing(QFont::PercentageSpacing, letterSpacingPercent);
    return f;
}

QFont fittedFont(Face face, const QString &text, const QSizeF &box, qreal maxPixelSize,
                 qreal letterSpacingPercent) {
    for (qreal size = maxPixelSize; size > 6; size -= 1) {
        const QFont f = font(face, size, letterSpacingPercent);
        const QRectF need = QFontMetricsF(f).boundingRect(QRectF(0, 0, box.width(), 1e6),
                                                          Qt::TextWordWrap | Qt::AlignCenter, text);
        if (need.width() <= box.width() && need.height() <= box.height())
            return f;
    }
    return font(face, 6, letterSpacingPercent);
}

std::uint32_t Random::next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

double Random::uniform(double low, double high) {
    return low + (high - low) * (next() / 4294967296.0);
}

QImage newImage(int width, int height, const QColor &fill) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

QImage blurred(const QImage &source, int radius) {
    QImage image = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (radius < 1)
        return image;
    const int w = image.width();
    const int h = image.height();
    std::vector<std::array<int, 4>> px(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            px[static_cast<std::size_t>(y * w + x)] = {qRed(row[x]), qGreen(row[x]), qBlue(row[x]),
                                                       qAlpha(row[x])};
    }
    const int r = std::max(1, radius / 2);
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(px, w, h, r, false);
        boxPass(px, w, h, r, true);
    }
    for (int y = 0; y < h; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const auto &v = px[static_cast<std::size_t>(y * w + x)];
            const int a = v[3];
            row[x] = qRgba(std::min(v[0], a), std::min(v[1], a), std::min(v[2], a), a);
        }
    }
    return image;
}

QColor withAlpha(QColor colour, int alpha) {
    colour.setAlpha(alpha);
    return colour;
}

QColor mix(const QColor &a, const QColor &b, qreal t) {
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t),
                            static_cast<float>(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

void softShadow(QPainter &p, const QPainterPath &shape, const QColor &colour, int radius, QPointF offset) {
    const QRectF bounds = shape.boundingRect().adjusted(-2 * radius, -2 * radius, 2 * radius, 2 * radius);
    QImage layer =
        newImage(static_cast<int>(std::ceil(bounds.width())), static_cast<int>(std::ceil(bounds.height())));
    {
        QPainter lp(&layer);
        lp.setRenderHint(QPainter::Antialiasing);
        lp.translate(-bounds.topLeft());
        lp.fillPath(shape, colour);
    }
    p.drawImage(bounds.topLeft() + offset, blurred(layer, radius));
}

void glow(QPainter &p, QPointF centre, qreal radius, const QColor &colour) {
    // A Gaussian-like fall-off: a few linear stops of exp(-4.5 t^2) show no ring where they meet.
    QRadialGradient g(centre, radius);
    for (int i = 0; i <= 8; ++i) {
        const double t = i / 8.0;
        const double strength = i == 8 ? 0.0 : std::exp(-4.5 * t * t);
        g.setColorAt(t, withAlpha(colour, static_cast<int>(std::lround(colour.alpha() * strength))));
    }
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(centre, radius, radius);
    p.restore();
}

void vignette(QPainter &p, const QRectF &area, qreal strength) {
    const qreal radius = std::hypot(area.width(), area.height()) * 0.62;
    QRadialGradient g(area.center(), radius);
    g.setColorAt(0, QColor(0, 0, 0, 0));
    g.setColorAt(0.55, QColor(0, 0, 0, 0));
    g.setColorAt(1, QColor(0, 0, 0, static_cast<int>(255 * strength)));
    p.fillRect(area, g);
}

void grain(QPainter &p, const QRectF &area, std::uint32_t seed, int amount, qreal density) {
    Random rng(seed);
    const int count = static_cast<int>(area.width() * area.height() * density);
    p.save();
    p.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
        const bool light = rng.next() & 1u;
        const int a = static_cast<int>(rng.uniform(0.2, 1.0) * amount);
        p.setBrush(light ? QColor(255, 255, 255, a) : QColor(0, 0, 0, a));
        p.drawRect(QRectF(area.left() + rng.uniform(0, area.width()),
                          area.top() + rng.uniform(0, area.height()), 1, 1));
    }
    p.restore();
}

QRectF effectText(QPainter &p, const QRectF &box, int flags, const QString &text, const QFont &f,
                  const QColor &fill, const QColor &effect, int radius, TextEffect kind) {
    const int margin = 3 * radius;
    const QRectF outer = box.adjusted(-margin, -margin, margin, margin);
    QImage layer =
        newImage(static_cast<int>(std::ceil(outer.width())), static_cast<int>(std::ceil(outer.height())));
    QRectF covered;
    {
        QPainter lp(&layer);
        lp.setRenderHint(QPainter::TextAntialiasing);
        lp.setFont(f);
        lp.setPen(effect);
        lp.drawText(QRectF(margin, margin, box.width(), box.height()), flags, text, &covered);
    }
    const QImage soft = blurred(layer, radius);
    const QPointF shift = kind == TextEffect::Shadow ? QPointF(0, radius * 0.35) : QPointF(0, 0);
    p.drawImage(outer.topLeft() + shift, soft);
    if (kind == TextEffect::Glow)
        p.drawImage(outer.topLeft(), soft);
    p.save();
    p.setFont(f);
    p.setPen(fill);
    p.drawText(box, flags, text);
    p.restore();
    return covered.translated(outer.topLeft());
}

QPainterPath roundedRect(const QRectF &r, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

} // namespace skin
