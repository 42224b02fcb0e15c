#include "gui/controls/ClickLabel.h"

#include <QMouseEvent>

ClickLabel::ClickLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent) {}

void ClickLabel::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_pressed = true;
    event->accept();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const bool click = m_pressed && rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click)
        Q_EMIT clicked();
}
