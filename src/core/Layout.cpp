#include "core/Layout.h"

#include <algorithm>

namespace {

struct Box {
    float x = 0;
    float y = 0;
    float width = 0;
    float height = 0;
    float windowX = 0;
    float windowY = 0;
};

enum class State { Pending, Busy, Done };

// Resolves elements on demand, so a rule may name any element of its layout (the chat history's
// height needs the input below it, whose font copies the history's). A cycle in the rules, or a name
// that is not in the layout, reads as zero instead of recursing for ever.
class Solver {
public:
    Solver(std::span<const ElementRule> rules, const LayoutInput &input)
        : m_rules(rules)
        , m_input(input)
        , m_boxes(rules.size())
        , m_fonts(rules.size())
        , m_boxState(rules.size(), State::Pending)
        , m_fontState(rules.size(), State::Pending) {}

    std::vector<PlacedElement> placeAll() {
        std::vector<PlacedElement> placed;
        placed.reserve(m_rules.size());
        for (std::size_t i = 0; i < m_rules.size(); ++i) {
            const Box box = resolveBox(i);
            const ElementRule &rule = m_rules[i];
            PlacedElement element;
            element.name = rule.name;
            element.parent = rule.parent;
            element.geometry = QRectF(box.x, box.y, box.width, box.height);
            element.windowGeometry = QRectF(box.windowX, box.windowY, box.width, box.height);
            if (rule.font.kind != FontKind::None)
                element.fontSize = resolveFont(i);
            const double padX = static_cast<float>(box.width * rule.paddingX);
            const double padY = static_cast<float>(box.width * rule.paddingY);
            element.padding = QMarginsF(padX, padY, padX, padY);
            placed.push_back(element);
        }
        return placed;
    }

private:
    std::optional<std::size_t> indexOf(std::string_view name) const {
        for (std::size_t i = 0; i < m_rules.size(); ++i) {
            if (m_rules[i].name == name)
                return i;
        }
        return std::nullopt;
    }

    float unit(FontUnit which) const {
        switch (which) {
        case FontUnit::Large:
            return m_input.fonts.LargeFontSize;
        case FontUnit::Base:
            return m_input.fonts.BaseFontSize;
        case FontUnit::Small:
            return m_input.fonts.SmallFontSize;
        }
        return 0;
    }

    float resolveFont(std::size_t i) {
        if (m_fontState[i] == State::Done)
            return m_fonts[i];
        if (m_fontState[i] == State::Busy)
            return 0;
        m_fontState[i] = State::Busy;
        const FontRule &rule = m_rules[i].font;
        float size = 0;
        if (rule.kind == FontKind::Unit) {
            size = static_cast<float>(unit(rule.unit) * rule.factor);
        } else if (rule.kind == FontKind::CopyOf) {
            if (const auto ref = indexOf(rule.ref))
                size = resolveFont(*ref);
        }
        m_fonts[i] = size;
        m_fontState[i] = State::Done;
        return size;
    }

    Box window() const {
        return {0, 0, static_cast<float>(m_input.window.width()), static_cast<float>(m_input.window.height()),
                0, 0};
    }

    Box boxOf(std::string_view name) {
        if (name.empty())
            return window();
        const auto index = indexOf(name);
        return index ? resolveBox(*index) : Box{};
    }

    QSizeF textSize(std::size_t i) {
        if (!m_input.textSize)
            return {};
        return m_input.textSize(m_rules[i].name, resolveFont(i));
    }

    // A width or height rule; the other extent of the element is given when it was set first.
    float size(std::size_t i, const Measure &m, const Box &parent, const Box &own, bool horizontal) {
        double value = 0;
        switch (m.kind) {
        case MeasureKind::ParentWidth:
            value = parent.width * m.factor;
            break;
        case MeasureKind::ParentHeight:
            value = parent.height * m.factor;
            break;
        case MeasureKind::Unit:
            value = unit(m.unit) * m.factor;
            break;
        case MeasureKind::OwnFont:
            value = resolveFont(i) * m.factor;
            break;
        case MeasureKind::OwnWidth:
            value = own.width * m.factor;
            break;
        case MeasureKind::OwnWidthDivided:
            value = m.factor != 0 ? own.width / m.factor : 0;
            break;
        case MeasureKind::OwnHeight:
            value = own.height * m.factor;
            break;
        case MeasureKind::Text: {
            const QSizeF text = textSize(i);
            value = horizontal ? text.width() : text.height();
            break;
        }
        case MeasureKind::Caption:
            value = m_input.captionLength
                        ? double(resolveFont(i)) * static_cast<double>(m_input.captionLength(m_rules[i].name))
                        : 0;
            break;
        case MeasureKind::RefWidth:
            value = boxOf(m.ref).width * m.factor;
            break;
        case MeasureKind::RefHeight:
            value = boxOf(m.ref).height * m.factor;
            break;
        case MeasureKind::ParentHeightLessRef:
            value = double(parent.height) - boxOf(m.ref).height;
            break;
        default:
            break;
        }
        return static_cast<float>(value);
    }

    float position(const Measure &m, const Box &parent, float ownExtent, bool horizontal) {
        const double parentExtent = horizontal ? parent.width : parent.height;
        double value = 0;
        switch (m.kind) {
        case MeasureKind::Centre:
            value = parentExtent * m.factor - ownExtent / 2.0;
            break;
        case MeasureKind::Start:
            value = parentExtent * m.factor;
            break;
        case MeasureKind::End:
            value = parentExtent * m.factor - ownExtent;
            break;
        case MeasureKind::RefCentred: {
            const Box ref = boxOf(m.ref);
            value = horizontal ? ref.x + (double(ref.width) - ownExtent) / 2.0
                               : ref.y + (double(ref.height) - ownExtent) / 2.0;
            break;
        }
        case MeasureKind::RefStart: {
            const Box ref = boxOf(m.ref);
            value = horizontal ? ref.x + ref.width * m.factor : ref.y + ref.height * m.factor;
            break;
        }
        case MeasureKind::RefCentreInParent: {
            const Box ref = boxOf(m.ref);
            const double refExtent = horizontal ? ref.width : ref.height;
            const double parentPos = horizontal ? parent.x : parent.y;
            value = (refExtent * m.factor - ownExtent / 2.0) - (parentPos - parentExtent / 2.0);
            break;
        }
        default:
            break;
        }
        return static_cast<float>(value);
    }

    Box resolveBox(std::size_t i) {
        if (m_boxState[i] == State::Done)
            return m_boxes[i];
        if (m_boxState[i] == State::Busy)
            return {};
        m_boxState[i] = State::Busy;
        const ElementRule &rule = m_rules[i];
        const Box parent = boxOf(rule.parent);
        Box box;
        // A size that depends on the other one is set second.
        if (rule.width.kind == MeasureKind::OwnHeight) {
            box.height = size(i, rule.height, parent, box, false);
            box.width = size(i, rule.width, parent, box, true);
        } else {
            box.width = size(i, rule.width, parent, box, true);
            box.height = size(i, rule.height, parent, box, false);
        }
        box.x = position(rule.x, parent, box.width, true);
        box.y = position(rule.y, parent, box.height, false);
        box.windowX = static_cast<float>(double(parent.windowX) + box.x);
        box.windowY = static_cast<float>(double(parent.windowY) + box.y);
        m_boxes[i] = box;
        m_boxState[i] = State::Done;
        return box;
    }

    std::span<const ElementRule> m_rules;
    const LayoutInput &m_input;
    std::vector<Box> m_boxes;
    std::vector<float> m_fonts;
    std::vector<State> m_boxState;
    std::vector<State> m_fontState;
};

} // namespace

std::vector<PlacedElement> computeLayout(Layout layout, const LayoutInput &input) {
    return Solver(layoutRules(layout), input).placeAll();
}

const PlacedElement *findPlaced(const std::vector<PlacedElement> &elements, std::string_view name) {
    const auto it = std::find_if(elements.begin(), elements.end(),
                                 [name](const PlacedElement &element) { return element.name == name; });
    return it == elements.end() ? nullptr : &*it;
}
