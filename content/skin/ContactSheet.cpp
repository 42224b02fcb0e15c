#include "ContactSheet.h"

#include "SkinCanvas.h"

#include <QPainter>

namespace skin {

QImage contactSheet(const QList<std::pair<QString, QImage>> &pictures) {
    constexpr int columns = 6;
    constexpr int cellW = 340;
    constexpr int cellH = 250;
    constexpr int thumbW = 316;
    constexpr int thumbH = 190;
    const int rows = static_cast<int>((pictures.size() + columns - 1) / columns);
    QImage sheet = newImage(columns * cellW + 20, rows * cellH + 20, QColor(0x20, 0x24, 0x2c));
    QPainter p(&sheet);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        const auto &[name, image] = pictures[i];
        const QPointF origin(10 + static_cast<int>(i % columns) * cellW,
                             10 + static_cast<int>(i / columns) * cellH);
        const QRectF well(origin + QPointF(12, 10), QSizeF(thumbW, thumbH));
        // A checkerboard shows where a picture is transparent.
        p.save();
        p.setClipRect(well);
        for (int y = 0; y < thumbH; y += 12)
            for (int x = 0; x < thumbW; x += 12)
                p.fillRect(QRectF(well.left() + x, well.top() + y, 12, 12),
                           ((x + y) / 12) % 2 ? QColor(0x3a, 0x3f, 0x4a) : QColor(0x2e, 0x33, 0x3c));
        p.restore();
        QSizeF fit = QSizeF(image.size()).scaled(well.size(), Qt::KeepAspectRatio);
        p.drawImage(QRectF(well.center() - QPointF(fit.width() / 2, fit.height() / 2), fit), image);
        p.setPen(QColor(0xe8, 0xec, 0xf4));
        p.setFont(font(Face::SansBold, 17));
        p.drawText(QRectF(well.left(), well.bottom() + 6, thumbW, 22), Qt::AlignLeft | Qt::AlignVCenter,
                   name);
        p.setPen(QColor(0x9a, 0xa4, 0xb8));
        p.setFont(font(Face::Sans, 14));
        p.drawText(QRectF(well.left(), well.bottom() + 6, thumbW, 22), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("%1 x %2").arg(image.width()).arg(image.height()));
    }
    return sheet;
}

} // namespace skin
