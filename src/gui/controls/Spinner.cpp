#include "gui/controls/Spinner.h"

#include <QPainter>
#include <algorithm>

namespace {

constexpr int Spokes = 12;

} // namespace

Spinner::Spinner(QWidget *parent)
    : QWidget(parent) {
    m_turn.setInterval(80);
    connect(&m_turn, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % Spokes;
        update();
    });
}

void Spinner::paintEvent(QPaintEvent *) {
    const qreal side = std::min(width(), height());
    if (side <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(width() / 2.0, height() / 2.0);
    QPen pen(QColor(0xe8, 0xee, 0xf6));
    pen.setWidthF(std::max(side / 10, qreal(1)));
    pen.setCapStyle(Qt::RoundCap);
    for (int i = 0; i < Spokes; ++i) {
        // The spoke at the current step is brightest; the ones behind it fade.
        const int age = (m_step - i + Spokes) % Spokes;
        QColor colour = pen.color();
        colour.setAlphaF(1.0 - 0.8 * age / Spokes);
        pen.setColor(colour);
        painter.setPen(pen);
        painter.save();
        painter.rotate(360.0 * i / Spokes);
        painter.drawLine(QPointF(0, -side * 0.25), QPointF(0, -side * 0.45));
        painter.restore();
    }
}

void Spinner::showEvent(QShowEvent *event) {
    m_turn.start();
    QWidget::showEvent(event);
}

void Spinner::hideEvent(QHideEvent *event) {
    m_turn.stop();
    QWidget::hideEvent(event);
}
