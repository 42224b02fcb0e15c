#include "core/Layout.h"

#include "core/LayoutRule.h"
#include "core/WindowMetrics.h"
#include "gui/app/MainForm.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

namespace {

QString qName(std::string_view name) {
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

// The text a control shows, for the elements sized by their text or caption.
QString shownText(const QWidget *control) {
    if (const auto *text = qobject_cast<const QLabel *>(control))
        return text->text();
    if (const auto *button = qobject_cast<const QAbstractButton *>(control))
        return button->text();
    if (const auto *line = qobject_cast<const QLineEdit *>(control))
        return line->text();
    return {};
}

QFont fontOfSize(const QWidget *control, float size) {
    // The style sheet's weight counts in the measured text, also before the control was first shown.
    control->ensurePolished();
    QFont font = control->font();
    font.setPixelSize(qMax(1, qRound(size)));
    return font;
}

// Edges rounded rather than position and size, so that an element filling its parent to a fraction
// never pokes a pixel out of it; an overshoot of less than a pixel (0.54 + 0.921 / 2 of a very tall
// window) is rounding too.
QRect pixelRect(const QRectF &place, const QSize &parent) {
    const auto edge = [](qreal at, int limit) { return at > limit && at < limit + 1 ? limit : qRound(at); };
    const QPoint topLeft(qRound(place.left()), qRound(place.top()));
    const QPoint bottomRight(edge(place.right(), parent.width()), edge(place.bottom(), parent.height()));
    return QRect(topLeft, QSize(bottomRight.x() - topLeft.x(), bottomRight.y() - topLeft.y()));
}

// Places the layout's elements on the window's controls of the same name. A control whose parent is
// not the element's parent (it is lifted out so that its parent does not clip it) takes its place in
// the window, mapped into its own parent.
void applyLayout(TMainForm &window, Layout layout) {
    // Each control is looked up inside its parent, so that a dialog's control of the same name never
    // stands in for it; the lifted-out ones are found on the window.
    QHash<QString, QWidget *> controls;
    for (const ElementRule &rule : layoutRules(layout)) {
        QWidget *scope = rule.parent.empty() ? &window : controls.value(qName(rule.parent));
        QWidget *found = scope ? scope->findChild<QWidget *>(qName(rule.name)) : nullptr;
        if (!found)
            found = window.findChild<QWidget *>(qName(rule.name), Qt::FindDirectChildrenOnly);
        controls.insert(qName(rule.name), found);
    }
    const auto control = [&controls](std::string_view name) { return controls.value(qName(name)); };
    LayoutInput input;
    input.window = QSizeF(window.width(), window.height());
    input.fonts = {window.LargeFontSize, window.BaseFontSize, window.SmallFontSize};
    input.textSize = [&control](std::string_view name, float fontSize) {
        const QWidget *target = control(name);
        if (!target)
            return QSizeF();
        const QFontMetricsF metrics(fontOfSize(target, fontSize));
        // A pixel to spare on each side, so that rounding of the place never cuts the last letter.
        return metrics.size(0, shownText(target)) + QSizeF(2, 2);
    };
    input.captionLength = [&control](std::string_view name) -> qsizetype {
        const QWidget *target = control(name);
        return target ? shownText(target).size() : 0;
    };

    for (const PlacedElement &element : computeLayout(layout, input)) {
        QWidget *target = control(element.name);
        if (!target)
            continue;
        if (element.fontSize)
            target->setFont(fontOfSize(target, *element.fontSize));
        const QWidget *parent = target->parentWidget();
        const bool ownParent = element.parent.empty()
                                   ? parent == &window
                                   : parent && parent->objectName() == qName(element.parent);
        QRectF place = element.geometry;
        if (!ownParent && parent)
            place = element.windowGeometry.translated(-QPointF(parent->mapTo(&window, QPoint())));
        target->setGeometry(pixelRect(place, parent ? parent->size() : window.size()));
        if (!element.padding.isNull())
            target->setContentsMargins(element.padding.toMargins());
    }
}

} // namespace

void TMainForm::LayoutMain() {
    if (const QScreen *display = screen()) {
        const WindowMetrics metrics = mainWindowMetrics(display->geometry().width());
        resize(metrics.width, metrics.height);
        LargeFontSize = metrics.fonts.LargeFontSize;
        BaseFontSize = metrics.fonts.BaseFontSize;
        SmallFontSize = metrics.fonts.SmallFontSize;
    }
    applyLayout(*this, Layout::Main);
}

void TMainForm::LayoutGameDetail() {
    applyLayout(*this, Layout::GameDetail);
}

void TMainForm::LayoutChat() {
    applyLayout(*this, Layout::Chat);
}
