#include "gui/online/HistoryKeyRelay.h"

#include <QKeyEvent>

HistoryKeyRelay::HistoryKeyRelay(Handler handler, QObject *parent)
    : QObject(parent)
    , m_handler(std::move(handler)) {}

bool HistoryKeyRelay::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            m_handler(key);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
