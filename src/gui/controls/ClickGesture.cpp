#include "gui/controls/ClickGesture.h"

#include <QMouseEvent>
#include <QRect>

void ClickGesture::press(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_pressed = true;
    event->accept();
}

bool ClickGesture::release(QMouseEvent *event, const QRect &area) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return false;
    }
    const bool click = m_pressed && area.contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    return click;
}
