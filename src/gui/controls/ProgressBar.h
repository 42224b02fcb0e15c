#pragma once

#include <QWidget>

// A horizontal bar of a float value out of a float maximum, kept in range the way the launcher's
// readings expect: the value is clamped into 0..maximum when it is set and again when the maximum
// changes, so it must be set before a larger maximum to be read back whole. A maximum of 0 (or
// below, or not a number) draws an empty bar, never a busy one.
class ProgressBar : public QWidget {
    Q_OBJECT

public:
    explicit ProgressBar(QWidget *parent = nullptr);

    [[nodiscard]] float value() const { return m_value; }
    void setValue(float value);
    [[nodiscard]] float maximum() const { return m_maximum; }
    void setMaximum(float maximum);

    // The filled share, 0 to 1.
    [[nodiscard]] double fraction() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    float m_value = 0;
    float m_maximum = 100;
};
