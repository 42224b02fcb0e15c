#pragma once

#include <QTimer>
#include <QWidget>

// A small circular activity indicator that turns whenever it is shown.
class Spinner : public QWidget {
    Q_OBJECT

public:
    explicit Spinner(QWidget *parent = nullptr);

    [[nodiscard]] bool isTurning() const { return m_turn.isActive(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QTimer m_turn;
    int m_step = 0;
};
