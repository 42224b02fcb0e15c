#pragma once

#include "core/GameEntry.h"

#include <QRectF>

class QPainter;

// The title screen of a demo game: a procedural picture whose palette and motif follow the genre,
// varied per title, with the title written over it.
class CoverArt {
public:
    explicit CoverArt(const GameEntry &game);

    void paint(QPainter &painter, const QRectF &area) const;

private:
    enum class Motif { Embers, Waves, Road, Fields, Hexes, Castle, Forest, Skyline, Peaks, Cards, Moon };

    void paintBackdrop(QPainter &painter, const QRectF &area) const;
    void paintMotif(QPainter &painter, const QRectF &area) const;
    void paintTitle(QPainter &painter, const QRectF &area) const;

    const GameEntry &m_game;
    Motif m_motif;
    quint32 m_seed;
};
