#pragma once

#include <span>
#include <string_view>

// The scaling rules of the window's elements: every size and position is a fraction of the parent (or
// of a font unit, or of another element), so the skin scales with the screen. One row per element;
// parents come before their children, which is also the order in which the window applies them.

enum class Layout {
    Main,       // status bar, login form, side panel, content panels, ad frame
    GameDetail, // the game detail panel and the download bar
    Chat,       // chat panel, history and input
};

enum class FontUnit { Large, Base, Small };

enum class MeasureKind {
    None,
    // sizes
    ParentWidth,         // parent width x factor
    ParentHeight,        // parent height x factor
    Unit,                // font unit x factor
    OwnFont,             // own font size x factor
    OwnWidth,            // own width x factor
    OwnWidthDivided,     // own width / factor
    OwnHeight,           // own height x factor
    Text,                // the measured extent of the element's text
    Caption,             // own font size x number of characters of the caption
    RefWidth,            // width of the element ref x factor
    RefHeight,           // height of the element ref x factor
    ParentHeightLessRef, // parent height - height of the element ref
    // positions, along the axis of the slot
    Zero,
    Centre,           // parent extent x factor - own extent / 2
    Start,            // parent extent x factor
    End,              // parent extent x factor - own extent
    RefCentred,       // centred on the element ref: ref position + (ref extent - own extent) / 2
    RefStart,         // ref position + ref extent x factor
    RefCentreInParent // (ref extent x factor - own extent / 2) - (parent position - parent extent / 2)
};

struct Measure {
    MeasureKind kind = MeasureKind::None;
    double factor = 0;
    FontUnit unit = FontUnit::Large;
    std::string_view ref;
};

enum class FontKind { None, Unit, CopyOf };

struct FontRule {
    FontKind kind = FontKind::None;
    FontUnit unit = FontUnit::Large;
    double factor = 0;
    std::string_view ref;
};

struct ElementRule {
    std::string_view name;   // the component's objectName
    std::string_view parent; // empty: the window itself (its client width and height)
    FontRule font;
    Measure width;
    Measure height;
    Measure x;
    Measure y;
    // Inner padding as fractions of the element's own width: left and right, top and bottom.
    double paddingX = 0;
    double paddingY = 0;
};

[[nodiscard]] std::span<const ElementRule> layoutRules(Layout layout);
