#include "GameWindow.h"

#include <QFont>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>

namespace {

QString text(std::string_view value) {
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

QFont uiFont(int pixels, bool bold = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace

GameWindow::GameWindow(const GameEntry &game, QString version, PlayerText player, QWidget *parent)
    : QWidget(parent)
    , m_game(game)
    , m_cover(game)
    , m_version(std::move(version))
    , m_player(std::move(player)) {
    setWindowTitle(text(game.WindowTitle));
    setFixedSize(880, 520);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QString GameWindow::versionLine() const {
    return m_version.isEmpty() ? QStringLiteral("Version unknown")
                               : QStringLiteral("Version %1").arg(m_version);
}

void GameWindow::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient background(0, 0, width(), height());
    background.setColorAt(0, QColor(0x0f172a));
    background.setColorAt(1, QColor(0x020617));
    painter.fillRect(rect(), background);

    const QRectF cover(24, 24, 330, height() - 48);
    m_cover.paint(painter, cover);
    painter.setPen(QPen(QColor(0x334155), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(cover);

    const qreal left = cover.right() + 40;
    const qreal textWidth = width() - left - 32;
    qreal y = 56;
    const auto line = [&](const QString &value, const QFont &font, const QColor &color, qreal advance) {
        painter.setFont(font);
        painter.setPen(color);
        painter.drawText(QRectF(left, y, textWidth, advance), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                         value);
        y += advance;
    };

    line(text(m_game.Title), uiFont(34, true), QColor(0xf8fafc), 56);
    line(QStringLiteral("%1  \u00b7  %2").arg(text(m_game.Genre), text(m_game.Developer)), uiFont(16),
         QColor(0x94a3b8), 36);
    line(versionLine(), uiFont(16), QColor(0xfbbf24), 64);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1e293b));
    painter.drawRoundedRect(QRectF(left - 16, y - 14, textWidth + 16, 96), 10, 10);
    line(m_player.account, uiFont(18, true), QColor(0xe2e8f0), 34);
    line(m_player.secret, uiFont(15), QColor(0x94a3b8), 70);

    line(QStringLiteral("This is a demo build shipped with the Quillbarrow reference service."), uiFont(14),
         QColor(0x64748b), 48);
    line(QStringLiteral("Press Esc to quit."), uiFont(14), QColor(0x64748b), 24);
}

void GameWindow::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
