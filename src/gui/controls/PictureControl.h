#pragma once

#include "gui/controls/ClickGesture.h"

#include <QByteArray>
#include <QPixmap>
#include <QWidget>

// A picture drawn stretched over the whole control, used as background, panel and button alike.
// Buttons get the hand cursor from whoever builds them; every control reports a left click.
class PictureControl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal opacity READ opacity WRITE setOpacity)
    Q_PROPERTY(qreal scaleX READ scaleX WRITE setScaleX)
    Q_PROPERTY(qreal scaleY READ scaleY WRITE setScaleY)

public:
    explicit PictureControl(QWidget *parent = nullptr);

    void setPicture(const QPixmap &picture);
    // Encoded picture data, decoded only when drawn and kept only at the size drawn: the skin's
    // pictures are far larger than most controls show them. False when the data is no picture.
    bool setPictureData(const QByteArray &encoded);
    // At full size.
    [[nodiscard]] QPixmap picture() const;

    [[nodiscard]] qreal opacity() const { return m_opacity; }
    void setOpacity(qreal opacity);
    // The picture is drawn scaled about the control's centre; above 1 its edges are cut off.
    [[nodiscard]] qreal scaleX() const { return m_scaleX; }
    void setScaleX(qreal scale);
    [[nodiscard]] qreal scaleY() const { return m_scaleY; }
    void setScaleY(qreal scale);

    // A free number for the owner: the mode of an action button, the open state of a panel.
    [[nodiscard]] int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QPixmap m_picture;
    QByteArray m_encoded;
    // The picture at the size it was last drawn, so that a repaint does not rescale it.
    QPixmap m_scaled;
    qreal m_opacity = 1;
    qreal m_scaleX = 1;
    qreal m_scaleY = 1;
    int m_tag = 0;
    ClickGesture m_click;
};
