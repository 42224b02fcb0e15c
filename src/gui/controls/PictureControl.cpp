#include "gui/controls/PictureControl.h"

#include <QBuffer>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

PictureControl::PictureControl(QWidget *parent)
    : QWidget(parent) {}

void PictureControl::setPicture(const QPixmap &picture) {
    m_picture = picture;
    m_encoded.clear();
    m_scaled = {};
    update();
}

bool PictureControl::setPictureData(const QByteArray &encoded) {
    QBuffer buffer;
    buffer.setData(encoded);
    QImageReader reader(&buffer);
    if (!reader.canRead() || !reader.size().isValid())
        return false;
    m_picture = {};
    m_encoded = encoded;
    m_scaled = {};
    update();
    return true;
}

QPixmap PictureControl::picture() const {
    if (m_encoded.isEmpty())
        return m_picture;
    QPixmap decoded;
    decoded.loadFromData(m_encoded);
    return decoded;
}

void PictureControl::setOpacity(qreal opacity) {
    m_opacity = std::clamp(opacity, qreal(0), qreal(1));
    update();
}

void PictureControl::setScaleX(qreal scale) {
    m_scaleX = std::max(scale, qreal(0));
    update();
}

void PictureControl::setScaleY(qreal scale) {
    m_scaleY = std::max(scale, qreal(0));
    update();
}

void PictureControl::paintEvent(QPaintEvent *) {
    if ((m_picture.isNull() && m_encoded.isEmpty()) || m_opacity <= 0)
        return;
    const QSizeF size(width() * m_scaleX, height() * m_scaleY);
    const QRectF target(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    const QSize pixels = (size * devicePixelRatioF()).toSize();
    if (pixels.isEmpty())
        return;
    if (m_scaled.size() != pixels) {
        m_scaled = picture().scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_scaled.setDevicePixelRatio(devicePixelRatioF());
    }
    QPainter painter(this);
    painter.setOpacity(m_opacity);
    painter.drawPixmap(target.topLeft(), m_scaled);
}

void PictureControl::mousePressEvent(QMouseEvent *event) {
    m_click.press(event);
}

void PictureControl::mouseReleaseEvent(QMouseEvent *event) {
    if (m_click.release(event, rect()))
        Q_EMIT clicked();
}
