#include "gui/controls/MouseDownRelay.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QWidget>

MouseDownRelay::MouseDownRelay(Handler handler, QObject *parent)
    : QObject(parent)
    , m_handler(std::move(handler)) {}

void MouseDownRelay::watch(QWidget *widget) {
    // A text area takes its clicks on its viewport.
    if (auto *area = qobject_cast<QAbstractScrollArea *>(widget)) {
        area->viewport()->installEventFilter(this);
        area->viewport()->setProperty("relayKeepsPress", true);
    }
    widget->installEventFilter(this);
}

bool MouseDownRelay::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick)
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget)
        return false;
    if (m_handler)
        m_handler(widget);
    return !widget->property("relayKeepsPress").toBool();
}
