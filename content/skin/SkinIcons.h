#pragma once

#include <QPainterPath>
#include <QRectF>

// Glyphs of the skin as filled outlines, so one path serves fills, glows and shadows alike.
namespace skin {

enum class Icon {
    Home,
    Games,
    Shop,
    News,
    Social,
    Back,
    Gear,
    Minus,
    Cross,
    Play,
    Download,
    Trash,
    Refresh,
    Eye,
    EyeSlash,
    ChevronUp,
    ChevronDown,
    Globe,
    LogOut,
    Feather,
    Plus,
    Spade,
    Heart,
    Diamond,
    Club,
};

// The glyph fitted into `box` (kept square, centred).
QPainterPath iconPath(Icon icon, const QRectF &box);

} // namespace skin
