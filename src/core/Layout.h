#pragma once

#include "core/LayoutRule.h"
#include "core/WindowMetrics.h"

#include <QMarginsF>
#include <QRectF>
#include <QSizeF>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

// What only the window knows: its current size, its font units and the size of rendered text.
struct LayoutInput {
    QSizeF window;
    FontUnits fonts;
    // The size of the element's text at this font size; elements sized by their text get it.
    std::function<QSizeF(std::string_view name, float fontSize)> textSize;
    // Number of characters of the element's caption.
    std::function<qsizetype(std::string_view name)> captionLength;
};

struct PlacedElement {
    std::string_view name;
    std::string_view parent;
    QRectF geometry;       // in the parent's coordinates
    QRectF windowGeometry; // in the window's coordinates
    std::optional<float> fontSize;
    QMarginsF padding;
};

// Every element of the layout in the order of its rules. Values are computed the way the window's
// controls hold them: single-precision, each read back by the elements that depend on it.
[[nodiscard]] std::vector<PlacedElement> computeLayout(Layout layout, const LayoutInput &input);

[[nodiscard]] const PlacedElement *findPlaced(const std::vector<PlacedElement> &elements,
                                              std::string_view name);
