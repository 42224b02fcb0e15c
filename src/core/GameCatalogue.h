#pragma once

#include "core/GameEntry.h"

#include <array>
#include <cstddef>

inline constexpr std::size_t GameCount = 13;

// Folders below the launcher's working folder shared by the library and the installation.
inline constexpr std::string_view GamesFolder = "Games";
inline constexpr std::string_view TempFolder = "Temp";

// The 13 games in catalogue order; every game is addressed by its index 0..12.
const std::array<GameEntry, GameCount> &GameCatalogue();
