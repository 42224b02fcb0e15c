#include "gui/controls/ProgressBar.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

float clampValue(float value, float maximum) {
    if (std::isnan(value))
        return 0;
    return std::clamp(value, 0.0f, maximum);
}

} // namespace

ProgressBar::ProgressBar(QWidget *parent)
    : QWidget(parent) {}

void ProgressBar::setValue(float value) {
    m_value = clampValue(value, m_maximum);
    update();
}

void ProgressBar::setMaximum(float maximum) {
    m_maximum = std::isnan(maximum) ? 0.0f : std::max(maximum, 0.0f);
    m_value = clampValue(m_value, m_maximum);
    update();
}

double ProgressBar::fraction() const {
    if (!(m_maximum > 0) || std::isinf(m_maximum))
        return 0;
    return double(m_value) / double(m_maximum);
}

void ProgressBar::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = frame.height() / 2;
    painter.setPen(QColor(0x5a, 0x6f, 0x8c));
    painter.setBrush(QColor(0x14, 0x1c, 0x2a));
    painter.drawRoundedRect(frame, radius, radius);
    const double share = fraction();
    if (share <= 0)
        return;
    QRectF filled = frame.adjusted(1.5, 1.5, -1.5, -1.5);
    filled.setWidth(filled.width() * share);
    QLinearGradient gradient(filled.topLeft(), filled.bottomLeft());
    gradient.setColorAt(0, QColor(0x9b, 0xe1, 0x5d));
    gradient.setColorAt(1, QColor(0x4c, 0xa3, 0x2a));
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawRoundedRect(filled, filled.height() / 2, filled.height() / 2);
}
