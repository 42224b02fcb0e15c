#include "CoverArt.h"

#include "Scenes.h"
#include "SkinCanvas.h"
#include "SkinControls.h"
#include "SkinIcons.h"
#include "core/GameCatalogue.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <array>

namespace skin {

namespace {

struct TitleStyle {
    Face face;
    QColor fill;
    QColor glow;
};

// Indexed like the catalogue.
const std::array<TitleStyle, GameCount> titleStyles{{
    {Face::SerifBold, QColor(0xff, 0xe2, 0xb0), QColor(255, 110, 20)},
    {Face::SerifCondensedBold, QColor(0xe8, 0xff, 0xfa), QColor(30, 160, 190)},
    {Face::SansCondensedBold, QColor(0xf0, 0xf8, 0xff), QColor(255, 50, 210)},
    {Face::SerifBold, QColor(0xff, 0xf6, 0xe0), QColor(120, 60, 10)},
    {Face::SansBold, QColor(0xff, 0xe6, 0xa8), QColor(150, 60, 255)},
    {Face::SerifCondensedBold, QColor(0xff, 0xd8, 0xb0), QColor(220, 60, 20)},
    {Face::SerifBold, QColor(0xff, 0xf0, 0xd0), QColor(20, 40, 90)},
    {Face::SerifBold, QColor(0xe0, 0xff, 0xee), QColor(40, 200, 150)},
    {Face::SansCondensedBold, QColor(0xff, 0xff, 0xff), QColor(255, 60, 140)},
    {Face::SansCondensedBold, QColor(0xf4, 0xfa, 0xff), QColor(40, 110, 200)},
    {Face::SansCondensedBold, QColor(0xff, 0xf0, 0xff), QColor(255, 40, 200)},
    {Face::SansCondensedBold, QColor(0xff, 0xee, 0xc8), QColor(120, 40, 10)},
    {Face::SerifBold, QColor(0xf8, 0xea, 0xff), QColor(150, 60, 230)},
}};

void prepare(QPainter &p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

QString latin(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Rounds the picture's corners and draws a hairline inside its edge.
void finishCard(QImage &image, qreal radius) {
    QPainter p(&image);
    prepare(p);
    const QRectF r = image.rect();
    p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    p.fillPath(roundedRect(r, radius), Qt::black);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setPen(QPen(QColor(255, 255, 255, 50), 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(roundedRect(r.adjusted(1, 1, -1, -1), radius - 1));
}

struct NewsItem {
    int scene; // catalogue index of the backdrop, or -1 for the launcher's own
    const char *tag;
    const char *headline;
    const char *body;
    const char *date;
    QColor accent;
};

const std::array<NewsItem, 4> newsItems{{
    {-1, "LAUNCHER", "Welcome to Quillbarrow 1.0",
     "Faster downloads, a brand-new shop and chat with your friends, all in one place.", "March 3",
     QColor(0x38, 0xc6, 0xea)},
    {5, "UPDATE", "Cinder Vale Online: The Ashfall Update",
     "A new region beneath the volcano, three world bosses and a level cap of 60.", "March 10",
     QColor(0xff, 0x8a, 0x3c)},
    {10, "EVENT", "Neon Gambit Weekend Cup",
     "Build your deck, climb the ladder and win a place among the season's champions.", "March 17",
     QColor(0xff, 0x4a, 0xb4)},
    {9, "SEASONAL", "Frostbite Frontier: The Long Night",
     "Survive the winter event with new camps, crafting recipes and rewards.", "March 24",
     QColor(0x7a, 0xc8, 0xff)},
}};

void launcherBackdrop(QPainter &p, const QRectF &r) {
    QLinearGradient base(r.topLeft(), r.bottomRight());
    base.setColorAt(0, QColor(0x0e, 0x1a, 0x36));
    base.setColorAt(1, palette::Ink0);
    p.fillRect(r, base);
    glow(p, QPointF(r.width() * 0.75, r.height() * 0.45), r.height() * 0.9, QColor(56, 198, 234, 110));
    glow(p, QPointF(r.width() * 0.95, r.height() * 0.95), r.height() * 0.6, QColor(255, 150, 60, 80));
    p.setPen(QPen(QColor(120, 200, 255, 40), 2));
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 5; ++i)
        p.drawEllipse(QPointF(r.width() * 0.75, r.height() * 0.45), r.height() * 0.12 * i,
                      r.height() * 0.12 * i);
    drawEmblem(p, QRectF(r.width() * 0.75 - r.height() * 0.26, r.height() * 0.45 - r.height() * 0.26,
                         r.height() * 0.52, r.height() * 0.52));
}

} // namespace

QImage cover(int index) {
    QImage image = newImage(990, 660, palette::Ink0);
    {
        QPainter p(&image);
        prepare(p);
        const QRectF r = image.rect();
        scene::paintScene(p, r, index);
        QLinearGradient shade(r.topLeft(), QPointF(r.left(), r.height() * 0.38));
        shade.setColorAt(0, QColor(0, 0, 0, 170));
        shade.setColorAt(1, QColor(0, 0, 0, 0));
        p.fillRect(r, shade);
        vignette(p, r, 0.45);

        const GameEntry &game = GameCatalogue().at(static_cast<std::size_t>(index));
        const TitleStyle &style = titleStyles.at(static_cast<std::size_t>(index));
        const QString title = latin(game.Title);
        const QRectF titleBox(r.width() * 0.16, r.height() * 0.045, r.width() * 0.68, r.height() * 0.15);
        const QFont titleFont = fittedFont(style.face, title, titleBox.size(), r.height() * 0.12, 102);
        effectText(p, titleBox, Qt::AlignCenter, title, titleFont, style.fill, withAlpha(style.glow, 255), 14,
                   TextEffect::Glow);
        const QString genre = latin(game.Genre).toUpper();
        const QFont genreFont = font(Face::SansCondensedBold, r.height() * 0.034, 130);
        const qreal genreWidth = QFontMetricsF(genreFont).horizontalAdvance(genre) + r.height() * 0.05;
        const QRectF pill(r.center().x() - genreWidth / 2, titleBox.bottom() + r.height() * 0.008, genreWidth,
                          r.height() * 0.05);
        p.fillPath(roundedRect(pill, pill.height() / 2), QColor(0, 0, 0, 120));
        p.setPen(QPen(withAlpha(style.fill, 110), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawPath(roundedRect(pill, pill.height() / 2));
        p.setFont(genreFont);
        p.setPen(style.fill);
        p.drawText(pill, Qt::AlignCenter, genre);
    }
    finishCard(image, 26);
    return image;
}

QImage emptySlot() {
    QImage image = newImage(990, 660);
    QPainter p(&image);
    prepare(p);
    const QRectF r = QRectF(image.rect()).adjusted(4, 4, -4, -4);
    QLinearGradient fill(r.topLeft(), r.bottomRight());
    fill.setColorAt(0, withAlpha(palette::Ink3, 230));
    fill.setColorAt(1, withAlpha(palette::Ink1, 240));
    p.fillPath(roundedRect(r, 26), fill);
    p.save();
    p.setClipPath(roundedRect(r, 26));
    glow(p, QPointF(r.center().x(), r.height() * 0.42), 360, QColor(255, 160, 60, 55));
    p.restore();
    p.setPen(QPen(withAlpha(palette::Amber, 170), 4, Qt::DashLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(roundedRect(r.adjusted(22, 22, -22, -22), 18));

    const QRectF badge(r.center().x() - 80, r.height() * 0.2, 160, 160);
    QPainterPath disc;
    disc.addEllipse(badge);
    QLinearGradient badgeFill(badge.topLeft(), badge.bottomRight());
    badgeFill.setColorAt(0, palette::Amber);
    badgeFill.setColorAt(1, palette::AmberDeep);
    softShadow(p, disc, QColor(0, 0, 0, 170), 12, QPointF(0, 6));
    p.fillPath(disc, badgeFill);
    p.fillPath(iconPath(Icon::Shop, badge.adjusted(40, 36, -40, -44)), palette::Ink0);
    p.fillPath(iconPath(Icon::Plus, QRectF(badge.right() - 56, badge.bottom() - 56, 56, 56)), palette::Text);

    effectText(p, QRectF(r.left(), r.height() * 0.5, r.width(), 80), Qt::AlignCenter,
               QStringLiteral("No game here yet"), font(Face::SansBold, 58), palette::Text,
               QColor(0, 0, 0, 220), 8);
    effectText(p, QRectF(r.left(), r.height() * 0.5 + 84, r.width(), 56), Qt::AlignCenter,
               QStringLiteral("Pick one in the Shop and install it"), font(Face::SansCondensed, 38),
               palette::TextDim, QColor(0, 0, 0, 200), 6);
    return image;
}

int newsBannerCount() {
    return static_cast<int>(newsItems.size());
}

QImage newsBanner(int number) {
    const NewsItem &item = newsItems.at(static_cast<std::size_t>(number - 1));
    QImage image = newImage(1280, 640, palette::Ink0);
    {
        QPainter p(&image);
        prepare(p);
        const QRectF r = image.rect();
        if (item.scene >= 0)
            scene::paintScene(p, QRectF(r.width() * 0.25, 0, r.width() * 0.75, r.height()), item.scene);
        else
            launcherBackdrop(p, r);
        QLinearGradient shade(r.topLeft(), r.topRight());
        shade.setColorAt(0, withAlpha(palette::Ink0, 250));
        shade.setColorAt(0.3, withAlpha(palette::Ink0, 235));
        shade.setColorAt(0.62, withAlpha(palette::Ink0, 0));
        p.fillRect(r, shade);
        vignette(p, r, 0.4);

        const qreal left = 72;
        const QString tag = QLatin1String(item.tag);
        const QFont tagFont = font(Face::SansCondensedBold, 26, 130);
        const QRectF pill(left, 150, QFontMetricsF(tagFont).horizontalAdvance(tag) + 44, 46);
        p.fillPath(roundedRect(pill, 23), item.accent);
        p.setFont(tagFont);
        p.setPen(palette::Ink0);
        p.drawText(pill, Qt::AlignCenter, tag);
        p.setFont(font(Face::SansCondensed, 26, 110));
        p.setPen(palette::TextDim);
        p.drawText(QRectF(pill.right() + 22, pill.top(), 300, pill.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, QString(QLatin1String(item.date)).toUpper());

        const QRectF headlineBox(left, 214, r.width() * 0.56, 170);
        const QString headline = QLatin1String(item.headline);
        const QFont headlineFont = fittedFont(Face::SansBold, headline, headlineBox.size(), 68);
        const QRectF used = effectText(p, headlineBox, Qt::AlignLeft | Qt::AlignBottom | Qt::TextWordWrap,
                                       headline, headlineFont, palette::Text, QColor(0, 0, 0, 230), 10);
        p.setFont(font(Face::SansCondensed, 30));
        p.setPen(QColor(0xc8, 0xd4, 0xe8));
        p.drawText(QRectF(left, used.bottom() + 22, r.width() * 0.5, 100),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, QLatin1String(item.body));
        p.setFont(font(Face::SansCondensedBold, 28, 108));
        p.setPen(item.accent);
        p.drawText(QRectF(left, r.height() - 104, 400, 40), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Read more  \u203a"));
        QLinearGradient line(r.bottomLeft(), r.bottomRight());
        line.setColorAt(0, item.accent);
        line.setColorAt(1, withAlpha(item.accent, 0));
        p.fillRect(QRectF(0, r.height() - 8, r.width(), 8), line);
    }
    finishCard(image, 24);
    return image;
}

} // namespace skin
