#include "gui/controls/ClickLabel.h"

#include <QMouseEvent>

ClickLabel::ClickLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent) {}

void ClickLabel::mousePressEvent(QMouseEvent *event) {
    m_click.press(event);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent *event) {
    if (m_click.release(event, rect()))
        Q_EMIT clicked();
}
