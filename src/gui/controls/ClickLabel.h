#pragma once

#include "gui/controls/ClickGesture.h"

#include <QLabel>

// A text that can be clicked like a button (the product name of the status bar opens the credits).
class ClickLabel : public QLabel {
    Q_OBJECT

public:
    explicit ClickLabel(const QString &text, QWidget *parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    ClickGesture m_click;
};
