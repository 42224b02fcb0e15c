#include "gui/library/EventHook.h"

EventHook::EventHook(QObject *watched, QEvent::Type type, Handler handler)
    : QObject(watched)
    , m_type(type)
    , m_handler(std::move(handler)) {
    watched->installEventFilter(this);
}

bool EventHook::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == m_type && watched == parent())
        m_handler(event);
    return false;
}
