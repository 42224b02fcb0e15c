#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <cstdint>

class QPainter;

// Drawing helpers shared by every skin painter: one palette, one set of fonts, soft light.
namespace skin {

namespace palette {
inline const QColor Ink0{0x06, 0x0a, 0x13};
inline const QColor Ink1{0x0b, 0x12, 0x21};
inline const QColor Ink2{0x12, 0x1b, 0x30};
inline const QColor Ink3{0x1a, 0x26, 0x42};
inline const QColor Line{0x2c, 0x3d, 0x63};
inline const QColor Text{0xea, 0xf0, 0xfa};
inline const QColor TextDim{0x93, 0xa6, 0xc6};
inline const QColor Cyan{0x38, 0xc6, 0xea};
inline const QColor CyanDeep{0x14, 0x7a, 0xb8};
inline const QColor Amber{0xff, 0xa0, 0x3c};
inline const QColor AmberDeep{0xd9, 0x5d, 0x12};
inline const QColor Green{0x2f, 0xd0, 0x7a};
inline const QColor GreenDeep{0x12, 0x8a, 0x4a};
inline const QColor Red{0xf0, 0x50, 0x5e};
inline const QColor RedDeep{0xa8, 0x1f, 0x33};
} // namespace palette

enum class Face {
    Sans,
    SansBold,
    SansCondensed,
    SansCondensedBold,
    SansLight,
    Serif,
    SerifBold,
    SerifCondensedBold
};

// Loads the DejaVu faces once; false (with a message on stderr) if one is missing, so the
// pictures never silently fall back to another font.
bool loadFonts();
QFont font(Face face, qreal pixelSize, qreal letterSpacingPercent = 100);
// The largest size of `face` (at most `maxPixelSize`) at which `text` fits into `box`.
QFont fittedFont(Face face, const QString &text, const QSizeF &box, qreal maxPixelSize,
                 qreal letterSpacingPercent = 100);

// A small deterministic generator: the same pictures come out of every build.
class Random {
public:
    explicit Random(std::uint32_t seed)
        : state(seed * 2654435761u + 0x9e3779b9u) {}
    std::uint32_t next();
    double uniform(double low = 0.0, double high = 1.0);

private:
    std::uint32_t state;
};

QImage newImage(int width, int height, const QColor &fill = Qt::transparent);
// Three box passes: close enough to a Gaussian for glows and shadows.
QImage blurred(const QImage &source, int radius);
QColor withAlpha(QColor colour, int alpha);
QColor mix(const QColor &a, const QColor &b, qreal t);

void softShadow(QPainter &p, const QPainterPath &shape, const QColor &colour, int radius, QPointF offset);
void glow(QPainter &p, QPointF centre, qreal radius, const QColor &colour);
void vignette(QPainter &p, const QRectF &area, qreal strength);
// Fine grain so large gradients do not band; `amount` is the alpha of the brightest speck.
void grain(QPainter &p, const QRectF &area, std::uint32_t seed, int amount, qreal density = 0.02);

enum class TextEffect { Shadow, Glow };
// Text with a blurred shadow or glow under it. Returns the rectangle the text covers.
QRectF effectText(QPainter &p, const QRectF &box, int flags, const QString &text, const QFont &f,
                  const QColor &fill, const QColor &effect, int radius, TextEffect kind = TextEffect::Shadow);

QPainterPath roundedRect(const QRectF &r, qreal radius);

} // namespace skin
