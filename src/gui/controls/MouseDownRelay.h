#pragma once

#include <QObject>
#include <functional>

class QWidget;

// Hands every mouse-down on the watched widgets, whatever the button, to one handler; the press does
// not reach the widget itself, except in scrolling text, which still selects.
class MouseDownRelay : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void(QWidget *source)>;

    MouseDownRelay(Handler handler, QObject *parent);

    void watch(QWidget *widget);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Handler m_handler;
};
