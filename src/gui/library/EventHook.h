#pragma once

#include <QEvent>
#include <QObject>
#include <functional>

// Hands one kind of event of the watched object to a handler and lets it go on as before: the
// framework's OnMouseWheel and OnKeyUp, which Qt delivers as events rather than signals.
class EventHook : public QObject {
public:
    using Handler = std::function<void(QEvent *event)>;

    EventHook(QObject *watched, QEvent::Type type, Handler handler);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QEvent::Type m_type;
    Handler m_handler;
};
