#include "SkinControls.h"

#include "SkinCanvas.h"

#include <QConicalGradient>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

namespace skin {

namespace {

void prepare(QPainter &p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

// A glossy body: vertical gradient, a sheen on the upper half, a light rim on top, a dark edge.
void glossyBody(QPainter &p, const QRectF &body, qreal radius, const QColor &light, const QColor &deep) {
    const QPainterPath shape = roundedRect(body, radius);
    softShadow(p, shape, QColor(0, 0, 0, 170), 10, QPointF(0, 5));
    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    fill.setColorAt(0, light);
    fill.setColorAt(0.55, mix(light, deep, 0.6));
    fill.setColorAt(1, deep);
    p.fillPath(shape, fill);

    p.save();
    p.setClipPath(shape);
    QLinearGradient sheen(body.topLeft(), QPointF(body.left(), body.center().y()));
    sheen.setColorAt(0, QColor(255, 255, 255, 70));
    sheen.setColorAt(1, QColor(255, 255, 255, 8));
    p.fillPath(roundedRect(body.adjusted(3, 3, -3, -body.height() * 0.5), radius * 0.8), sheen);
    p.restore();

    QLinearGradient rim(body.topLeft(), body.bottomLeft());
    rim.setColorAt(0, QColor(255, 255, 255, 120));
    rim.setColorAt(0.4, QColor(255, 255, 255, 20));
    rim.setColorAt(1, QColor(0, 0, 0, 90));
    p.setPen(QPen(QBrush(rim), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(roundedRect(body.adjusted(1.25, 1.25, -1.25, -1.25), radius - 1));
    p.setPen(QPen(withAlpha(deep.darker(220), 220), 2));
    p.drawPath(shape);
}

// A dark glass body in the theme colours.
void glassBody(QPainter &p, const QRectF &body, qreal radius, const QColor &edge) {
    const QPainterPath shape = roundedRect(body, radius);
    softShadow(p, shape, QColor(0, 0, 0, 150), 8, QPointF(0, 4));
    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    fill.setColorAt(0, palette::Ink3);
    fill.setColorAt(1, palette::Ink1);
    p.fillPath(shape, fill);
    QLinearGradient rim(body.topLeft(), body.bottomLeft());
    rim.setColorAt(0, withAlpha(edge, 230));
    rim.setColorAt(1, withAlpha(edge, 90));
    p.setPen(QPen(QBrush(rim), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(roundedRect(body.adjusted(1.25, 1.25, -1.25, -1.25), radius - 1));
}

void fillIcon(QPainter &p, Icon icon, const QRectF &box, const QColor &colour, bool shadow = true) {
    const QPainterPath path = iconPath(icon, box);
    if (shadow)
        softShadow(p, path, QColor(0, 0, 0, 140), 4, QPointF(0, 2));
    p.fillPath(path, colour);
}

} // namespace

QImage actionButton(const QString &caption, Icon icon, const QColor &light, const QColor &deep) {
    QImage image = newImage(736, 144);
    QPainter p(&image);
    prepare(p);
    const QRectF body(10, 8, 716, 122);
    glossyBody(p, body, 30, light, deep);

    const QFont f = font(Face::SansCondensedBold, 54, 106);
    const qreal textWidth = QFontMetricsF(f).horizontalAdvance(caption);
    const qreal iconSide = 54;
    const qreal gap = 22;
    const qreal left = body.center().x() - (iconSide + gap + textWidth) / 2;
    fillIcon(p, icon, QRectF(left, body.center().y() - iconSide / 2, iconSide, iconSide), palette::Text);
    effectText(p, QRectF(left + iconSide + gap, body.top(), textWidth + 8, body.height()),
               Qt::AlignLeft | Qt::AlignVCenter, caption, f, palette::Text, QColor(0, 0, 0, 200), 6);
    return image;
}

QImage menuButton(const QString &caption, Icon icon) {
    QImage image = newImage(420, 120);
    QPainter p(&image);
    prepare(p);
    const QRectF body(6, 6, 408, 104);
    glassBody(p, body, 26, palette::Line.lighter(130));

    p.save();
    p.setClipPath(roundedRect(body, 26));
    glow(p, QPointF(body.left() + 52, body.center().y()), 120, withAlpha(palette::Cyan, 70));
    p.restore();

    const QRectF badge(body.left() + 16, body.center().y() - 34, 68, 68);
    QLinearGradient badgeFill(badge.topLeft(), badge.bottomRight());
    badgeFill.setColorAt(0, palette::Cyan);
    badgeFill.setColorAt(1, palette::CyanDeep);
    softShadow(p, roundedRect(badge, 20), QColor(0, 0, 0, 150), 6, QPointF(0, 3));
    p.fillPath(roundedRect(badge, 20), badgeFill);
    p.setPen(QPen(QColor(255, 255, 255, 90), 2));
    p.drawPath(roundedRect(badge.adjusted(1, 1, -1, -1), 19));
    fillIcon(p, icon, badge.adjusted(15, 15, -15, -15), palette::Ink0, false);

    const QRectF textBox(badge.right() + 22, body.top(), body.right() - badge.right() - 34, body.height());
    const QFont f = fittedFont(Face::SansCondensedBold, caption, textBox.size(), 40, 108);
    effectText(p, textBox, Qt::AlignLeft | Qt::AlignVCenter, caption, f, palette::Text, QColor(0, 0, 0, 220),
               5);
    return image;
}

QImage backButton() {
    QImage image = newImage(240, 240);
    QPainter p(&image);
    prepare(p);
    const QRectF disc(24, 20, 192, 192);
    glow(p, disc.center(), 118, withAlpha(palette::Cyan, 60));
    QPainterPath shape;
    shape.addEllipse(disc);
    softShadow(p, shape, QColor(0, 0, 0, 180), 10, QPointF(0, 5));
    QLinearGradient fill(disc.topLeft(), disc.bottomLeft());
    fill.setColorAt(0, palette::Ink3);
    fill.setColorAt(1, palette::Ink0);
    p.fillPath(shape, fill);
    QConicalGradient ring(disc.center(), 90);
    ring.setColorAt(0, palette::Cyan);
    ring.setColorAt(0.5, palette::CyanDeep);
    ring.setColorAt(1, palette::Cyan);
    p.setPen(QPen(QBrush(ring), 7));
    p.drawEllipse(disc.adjusted(4, 4, -4, -4));
    fillIcon(p, Icon::Back, disc.adjusted(52, 52, -52, -52), palette::Text);
    return image;
}

QImage windowButton(Icon icon, bool danger) {
    QImage image = newImage(120, 108);
    QPainter p(&image);
    prepare(p);
    const QRectF body(8, 6, 104, 92);
    if (danger)
        glossyBody(p, body, 22, palette::Red, palette::RedDeep);
    else
        glassBody(p, body, 22, palette::Line.lighter(140));
    const qreal side = 46;
    fillIcon(p, icon, QRectF(body.center().x() - side / 2, body.center().y() - side / 2, side, side),
             danger ? palette::Text : palette::Text.darker(108));
    return image;
}

QImage logOutButton() {
    QImage image = newImage(270, 90);
    QPainter p(&image);
    prepare(p);
    const QRectF body(6, 5, 258, 76);
    glassBody(p, body, 38, palette::Amber);
    const QString caption = QStringLiteral("Log Out");
    const QFont f = font(Face::SansCondensedBold, 34, 104);
    const qreal textWidth = QFontMetricsF(f).horizontalAdvance(caption);
    const qreal iconSide = 34;
    const qreal left = body.center().x() - (iconSide + 14 + textWidth) / 2;
    fillIcon(p, Icon::LogOut, QRectF(left, body.center().y() - iconSide / 2, iconSide, iconSide),
             palette::Amber);
    effectText(p, QRectF(left + iconSide + 14, body.top(), textWidth + 6, body.height()),
               Qt::AlignLeft | Qt::AlignVCenter, caption, f, palette::Text, QColor(0, 0, 0, 200), 4);
    return image;
}

QImage clearButton() {
    QImage image = newImage(96, 96);
    QPainter p(&image);
    prepare(p);
    QPainterPath disc;
    disc.addEllipse(QRectF(8, 8, 80, 80));
    softShadow(p, disc, QColor(0, 0, 0, 150), 5, QPointF(0, 2));
    QLinearGradient fill(0, 8, 0, 88);
    fill.setColorAt(0, palette::Line.lighter(120));
    fill.setColorAt(1, palette::Ink3);
    p.fillPath(disc, fill);
    fillIcon(p, Icon::Cross, QRectF(28, 28, 40, 40), palette::Text, false);
    return image;
}

QImage eyeButton(bool shown) {
    QImage image = newImage(96, 96);
    QPainter p(&image);
    prepare(p);
    const QColor colour = shown ? palette::Cyan : palette::TextDim;
    if (shown)
        glow(p, QPointF(48, 48), 46, withAlpha(palette::Cyan, 70));
    fillIcon(p, shown ? Icon::Eye : Icon::EyeSlash, QRectF(12, 12, 72, 72), colour);
    return image;
}

QImage arrowButton(bool up) {
    QImage image = newImage(212, 120);
    QPainter p(&image);
    prepare(p);
    const QRectF body(8, 8, 196, 100);
    glassBody(p, body, 50, palette::Cyan);
    p.save();
    p.setClipPath(roundedRect(body, 50));
    glow(p, body.center(), 110, withAlpha(palette::Cyan, 50));
    p.restore();
    QPainterPath chevron = iconPath(up ? Icon::ChevronUp : Icon::ChevronDown, QRectF(70, 22, 72, 72));
    softShadow(p, chevron, withAlpha(palette::Cyan, 200), 8, QPointF(0, 0));
    p.fillPath(chevron, palette::Text);
    return image;
}

void drawEmblem(QPainter &p, const QRectF &box, qreal opacity) {
    p.save();
    p.setOpacity(opacity);
    const qreal side = std::min(box.width(), box.height());
    const QRectF disc(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
    QPainterPath ring;
    ring.addEllipse(disc);
    QPainterPath inner;
    inner.addEllipse(disc.adjusted(side * 0.07, side * 0.07, -side * 0.07, -side * 0.07));
    QLinearGradient ringFill(disc.topLeft(), disc.bottomRight());
    ringFill.setColorAt(0, palette::Cyan);
    ringFill.setColorAt(1, palette::Amber);
    QLinearGradient core(disc.topLeft(), disc.bottomLeft());
    core.setColorAt(0, palette::Ink3);
    core.setColorAt(1, palette::Ink0);
    p.fillPath(inner, core);
    p.fillPath(ring.subtracted(inner), ringFill);
    const QPainterPath quill =
        iconPath(Icon::Feather, disc.adjusted(side * 0.2, side * 0.2, -side * 0.2, -side * 0.2));
    QLinearGradient quillFill(disc.topRight(), disc.bottomLeft());
    quillFill.setColorAt(0, palette::Text);
    quillFill.setColorAt(1, palette::Cyan);
    p.fillPath(quill, quillFill);
    p.restore();
}

QImage webBadge() {
    QImage image = newImage(640, 200);
    QPainter p(&image);
    prepare(p);
    const QRectF body(10, 10, 620, 176);
    const QPainterPath shape = roundedRect(body, 34);
    softShadow(p, shape, QColor(0, 0, 0, 170), 10, QPointF(0, 5));
    QLinearGradient fill(body.topLeft(), body.bottomRight());
    fill.setColorAt(0, palette::Ink3);
    fill.setColorAt(1, palette::Ink1);
    p.fillPath(shape, fill);
    p.save();
    p.setClipPath(shape);
    glow(p, QPointF(body.left() + 90, body.center().y()), 200, withAlpha(palette::Cyan, 60));
    glow(p, QPointF(body.right(), body.bottom()), 220, withAlpha(palette::Amber, 40));
    p.restore();
    QLinearGradient edge(body.topLeft(), body.topRight());
    edge.setColorAt(0, palette::Cyan);
    edge.setColorAt(1, palette::Amber);
    p.setPen(QPen(QBrush(edge), 3));
    p.drawPath(roundedRect(body.adjusted(1.5, 1.5, -1.5, -1.5), 32));

    drawEmblem(p, QRectF(body.left() + 26, body.top() + 22, 132, 132));
    const QRectF words(body.left() + 182, body.top() + 26, body.width() - 206, 72);
    effectText(p, words, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("QUILLBARROW"),
               fittedFont(Face::SansBold, QStringLiteral("QUILLBARROW"), words.size(), 58, 104),
               palette::Text, QColor(0, 0, 0, 200), 6);
    const QRectF link(words.left(), words.bottom() + 6, words.width(), 48);
    fillIcon(p, Icon::Globe, QRectF(link.left(), link.top() + 6, 36, 36), palette::Cyan, false);
    effectText(p, link.adjusted(48, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Visit our web site"), font(Face::SansCondensed, 32), palette::Cyan,
               QColor(0, 0, 0, 200), 4);
    return image;
}

} // namespace skin
