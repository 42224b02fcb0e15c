#pragma once

#include <QObject>
#include <functional>

// Hands Up and Down pressed in the watched edit to one handler; the edit itself never sees them.
class HistoryKeyRelay : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void(int key)>;

    HistoryKeyRelay(Handler handler, QObject *parent);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Handler m_handler;
};
