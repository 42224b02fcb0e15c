#pragma once

#include "CoverArt.h"
#include "PlayerText.h"

#include <QWidget>

// The one window of a demo game: its caption is the catalogue's WindowTitle, which the launcher
// watches for to tell that the game is running.
class GameWindow : public QWidget {
    Q_OBJECT

public:
    GameWindow(const GameEntry &game, QString version, PlayerText player, QWidget *parent = nullptr);

    [[nodiscard]] QString versionLine() const;
    [[nodiscard]] const PlayerText &player() const { return m_player; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    const GameEntry &m_game;
    CoverArt m_cover;
    QString m_version;
    PlayerText m_player;
};
