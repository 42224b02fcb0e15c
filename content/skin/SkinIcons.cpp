#include "SkinIcons.h"

#include <QPainterPathStroker>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace skin {

namespace {

// Glyphs are drawn on a 100 x 100 grid.
QPainterPath stroked(const QPainterPath &line, qreal width, Qt::PenCapStyle cap = Qt::RoundCap,
                     Qt::PenJoinStyle join = Qt::RoundJoin) {
    QPainterPathStroker s;
    s.setWidth(width);
    s.setCapStyle(cap);
    s.setJoinStyle(join);
    return s.createStroke(line).simplified();
}

QPainterPath polyline(std::initializer_list<QPointF> points) {
    QPainterPath path;
    bool first = true;
    for (const QPointF &pt : points) {
        if (first)
            path.moveTo(pt);
        else
            path.lineTo(pt);
        first = false;
    }
    return path;
}

QPainterPath home() {
    QPainterPath roof = stroked(polyline({{12, 50}, {50, 16}, {88, 50}}), 9);
    QPainterPath body;
    body.addRoundedRect(QRectF(24, 46, 52, 42), 5, 5);
    QPainterPath door;
    door.addRoundedRect(QRectF(42, 62, 16, 26), 3, 3);
    return roof.united(body.subtracted(door));
}

QPainterPath games() {
    QPainterPath pad;
    pad.addRoundedRect(QRectF(8, 30, 84, 44), 22, 22);
    QPainterPath cut =
        stroked(polyline({{22, 52}, {38, 52}}), 6).united(stroked(polyline({{30, 44}, {30, 60}}), 6));
    cut.addEllipse(QPointF(66, 46), 4.5, 4.5);
    cut.addEllipse(QPointF(76, 56), 4.5, 4.5);
    return pad.subtracted(cut);
}

QPainterPath shop() {
    QPainterPath bag;
    bag.moveTo(18, 34);
    bag.lineTo(82, 34);
    bag.lineTo(86, 88);
    bag.lineTo(14, 88);
    bag.closeSubpath();
    QPainterPath holes;
    holes.addEllipse(QPointF(36, 46), 4.5, 4.5);
    holes.addEllipse(QPointF(64, 46), 4.5, 4.5);
    QPainterPath handle;
    handle.moveTo(36, 46);
    handle.cubicTo(36, 12, 64, 12, 64, 46);
    return bag.subtracted(holes).united(stroked(handle, 7));
}

QPainterPath news() {
    QPainterPath sheet;
    sheet.addRoundedRect(QRectF(12, 18, 76, 66), 8, 8);
    QPainterPath cut;
    cut.addRect(QRectF(22, 28, 24, 20));
    for (qreal y : {30.0, 40.0})
        cut.addRect(QRectF(52, y, 26, 5));
    for (qreal y : {56.0, 66.0})
        cut.addRect(QRectF(22, y, 56, 5));
    return sheet.subtracted(cut);
}

QPainterPath social() {
    QPainterPath p;
    p.addEllipse(QPointF(38, 34), 14, 14);
    QPainterPath body;
    body.moveTo(12, 86);
    body.cubicTo(12, 58, 64, 58, 64, 86);
    body.closeSubpath();
    p = p.united(body);
    QPainterPath back;
    back.addEllipse(QPointF(68, 30), 11, 11);
    QPainterPath backBody;
    backBody.moveTo(56, 56);
    backBody.cubicTo(70, 48, 92, 54, 90, 80);
    backBody.lineTo(68, 80);
    backBody.closeSubpath();
    back = back.united(backBody);
    QPainterPath gap = stroked(p, 8);
    return p.united(back.subtracted(gap));
}

QPainterPath gear() {
    QPainterPath teeth;
    for (int i = 0; i < 8; ++i) {
        QPainterPath tooth;
        tooth.addRoundedRect(QRectF(-8, -46, 16, 20), 3, 3);
        teeth.addPath(QTransform().translate(50, 50).rotate(i * 45).map(tooth));
    }
    QPainterPath ring;
    ring.addEllipse(QPointF(50, 50), 31, 31);
    QPainterPath hole;
    hole.addEllipse(QPointF(50, 50), 13, 13);
    return teeth.united(ring).subtracted(hole);
}

QPainterPath eye(bool slashed) {
    QPainterPath outline;
    outline.moveTo(6, 50);
    outline.cubicTo(26, 18, 74, 18, 94, 50);
    outline.cubicTo(74, 82, 26, 82, 6, 50);
    QPainterPath shape = stroked(outline, 7);
    QPainterPath pupil;
    pupil.addEllipse(QPointF(50, 50), 15, 15);
    shape = shape.united(pupil);
    if (slashed) {
        const QPainterPath slash = polyline({{18, 86}, {82, 14}});
        shape = shape.subtracted(stroked(slash, 16)).united(stroked(slash, 7));
    }
    return shape;
}

QPainterPath refresh() {
    QPainterPath arc;
    arc.arcMoveTo(QRectF(18, 18, 64, 64), 60);
    arc.arcTo(QRectF(18, 18, 64, 64), 60, 250);
    QPainterPath head = polyline({{62, 8}, {80, 26}, {56, 32}});
    head.closeSubpath();
    return stroked(arc, 9, Qt::FlatCap).united(head);
}

QPainterPath globe() {
    QPainterPath lines;
    lines.addEllipse(QPointF(50, 50), 38, 38);
    lines.addEllipse(QRectF(33, 12, 34, 76));
    lines.moveTo(12, 50);
    lines.lineTo(88, 50);
    lines.moveTo(50, 12);
    lines.lineTo(50, 88);
    lines.moveTo(20, 30);
    lines.cubicTo(40, 36, 60, 36, 80, 30);
    lines.moveTo(20, 70);
    lines.cubicTo(40, 64, 60, 64, 80, 70);
    return stroked(lines, 5);
}

QPainterPath logOut() {
    QPainterPath bracket = stroked(polyline({{46, 16}, {18, 16}, {18, 84}, {46, 84}}), 8);
    QPainterPath arrow = stroked(polyline({{38, 50}, {86, 50}}), 8)
                             .united(stroked(polyline({{68, 32}, {86, 50}, {68, 68}}), 8));
    return bracket.united(arrow);
}

QPainterPath feather() {
    // A quill: a leaf-shaped vane along a curved shaft, with a few notches for barbs.
    QPainterPath vane;
    vane.moveTo(86, 8);
    vane.cubicTo(60, 10, 30, 34, 26, 72);
    vane.cubicTo(50, 66, 80, 44, 86, 8);
    // Splits in the vane where the barbs part, two on the outer edge and one on the inner.
    QPainterPath notches;
    for (const QPointF &at : {QPointF(56, 17), QPointF(40, 33)})
        notches.addPath(stroked(polyline({at - QPointF(3, 3), at + QPointF(9, 7)}), 3));
    notches.addPath(stroked(polyline({QPointF(77, 40), QPointF(65, 36)}), 3));
    QPainterPath shaft;
    shaft.moveTo(80, 16);
    shaft.cubicTo(60, 36, 36, 62, 14, 92);
    return vane.subtracted(notches)
        .subtracted(stroked(shaft, 3))
        .united(stroked(polyline({{30, 70}, {14, 92}}), 4.5));
}

QPainterPath heart() {
    QPainterPath p;
    p.moveTo(50, 88);
    p.cubicTo(20, 64, 8, 48, 8, 32);
    p.cubicTo(8, 14, 34, 6, 50, 28);
    p.cubicTo(66, 6, 92, 14, 92, 32);
    p.cubicTo(92, 48, 80, 64, 50, 88);
    return p;
}

QPainterPath spade() {
    QPainterPath p = QTransform().translate(0, 100).scale(1, -1).map(heart());
    p = QTransform().translate(0, -6).map(p);
    QPainterPath stem;
    stem.moveTo(50, 60);
    stem.lineTo(64, 94);
    stem.lineTo(36, 94);
    stem.closeSubpath();
    return p.united(stem);
}

QPainterPath club() {
    QPainterPath p;
    p.addEllipse(QPointF(50, 28), 18, 18);
    p.addEllipse(QPointF(30, 56), 18, 18);
    p.addEllipse(QPointF(70, 56), 18, 18);
    p.setFillRule(Qt::WindingFill);
    QPainterPath stem;
    stem.moveTo(50, 48);
    stem.lineTo(64, 94);
    stem.lineTo(36, 94);
    stem.closeSubpath();
    return p.simplified().united(stem);
}

QPainterPath glyph(Icon icon) {
    switch (icon) {
    case Icon::Home:
        return home();
    case Icon::Games:
        return games();
    case Icon::Shop:
        return shop();
    case Icon::News:
        return news();
    case Icon::Social:
        return social();
    case Icon::Back:
        return stroked(polyline({{84, 50}, {18, 50}}), 10)
            .united(stroked(polyline({{44, 22}, {16, 50}, {44, 78}}), 10));
    case Icon::Gear:
        return gear();
    case Icon::Minus:
        return stroked(polyline({{18, 60}, {82, 60}}), 10);
    case Icon::Cross:
        return stroked(polyline({{22, 22}, {78, 78}}), 10)
            .united(stroked(polyline({{78, 22}, {22, 78}}), 10));
    case Icon::Play: {
        QPainterPath p = polyline({{26, 14}, {86, 50}, {26, 86}});
        p.closeSubpath();
        return p.united(stroked(p, 8));
    }
    case Icon::Download:
        return stroked(polyline({{50, 10}, {50, 62}}), 10)
            .united(stroked(polyline({{28, 42}, {50, 64}, {72, 42}}), 10))
            .united(stroked(polyline({{14, 70}, {14, 88}, {86, 88}, {86, 70}}), 9));
    case Icon::Trash: {
        QPainterPath bin;
        bin.moveTo(22, 30);
        bin.lineTo(78, 30);
        bin.lineTo(72, 92);
        bin.lineTo(28, 92);
        bin.closeSubpath();
        QPainterPath slots;
        for (qreal x : {38.0, 50.0, 62.0})
            slots.addRoundedRect(QRectF(x - 3, 42, 6, 40), 3, 3);
        return bin.subtracted(slots)
            .united(stroked(polyline({{14, 20}, {86, 20}}), 8))
            .united(stroked(polyline({{38, 18}, {40, 8}, {60, 8}, {62, 18}}), 6));
    }
    case Icon::Refresh:
        return refresh();
    case Icon::Eye:
        return eye(false);
    case Icon::EyeSlash:
        return eye(true);
    case Icon::ChevronUp:
        return stroked(polyline({{16, 68}, {50, 32}, {84, 68}}), 13);
    case Icon::ChevronDown:
        return stroked(polyline({{16, 32}, {50, 68}, {84, 32}}), 13);
    case Icon::Globe:
        return globe();
    case Icon::LogOut:
        return logOut();
    case Icon::Feather:
        return feather();
    case Icon::Plus:
        return stroked(polyline({{50, 14}, {50, 86}}), 11)
            .united(stroked(polyline({{14, 50}, {86, 50}}), 11));
    case Icon::Spade:
        return spade();
    case Icon::Heart:
        return heart();
    case Icon::Diamond: {
        QPainterPath p;
        p.moveTo(50, 6);
        p.quadTo(64, 34, 86, 50);
        p.quadTo(64, 66, 50, 94);
        p.quadTo(36, 66, 14, 50);
        p.quadTo(36, 34, 50, 6);
        return p;
    }
    case Icon::Club:
        return club();
    }
    return {};
}

} // namespace

QPainterPath iconPath(Icon icon, const QRectF &box) {
    const qreal side = std::min(box.width(), box.height());
    QTransform t;
    t.translate(box.center().x() - side / 2, box.center().y() - side / 2);
    t.scale(side / 100, side / 100);
    return t.map(glyph(icon));
}

} // namespace skin
