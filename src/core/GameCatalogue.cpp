#include "core/GameCatalogue.h"

namespace {

// ArchiveName, ExeName and ImageName are spelled out, not derived: the update names its archive
// from ArchiveName when downloading and from FolderName when unpacking, so they must agree.
constexpr std::array<GameEntry, GameCount> catalogue{{
    {"Ember Hollow", "EmberHollow.zip", "EmberHollow.exe", "EmberHollow", "EmberHollow", "Action RPG",
     "Ember Hollow", "640", "512", "Lanternfish Studio", 40, false},
    {"Tidebreaker Tactics", "TidebreakerTactics.zip", "TidebreakerTactics.exe", "TidebreakerTactics",
     "TidebreakerTactics", "Strategy", "Tidebreaker Tactics", "420", "256", "Northwind Forge", 30, false},
    {"Starfall Drift", "StarfallDrift.zip", "StarfallDrift.exe", "StarfallDrift", "StarfallDrift", "Racing",
     "Starfall Drift", "1250", "768", "Comet Garage", 60, true},
    {"Iron Meadow", "IronMeadow.zip", "IronMeadow.exe", "IronMeadow", "IronMeadow", "Farming Sim",
     "Iron Meadow", "380", "200", "Hayloft Interactive", 30, true},
    {"Hexbound", "Hexbound.zip", "Hexbound.exe", "Hexbound", "Hexbound", "Puzzle", "Hexbound - Sigil Puzzles",
     "95", "64", "Quiet Owl Games", 15, true},
    {"Cinder Vale Online", "CinderVale.zip", "CinderVale.exe", "CinderVale", "CinderVale", "MMORPG",
     "Cinder Vale Online", "4800", "900", "Ashgrove Entertainment", 120, true},
    {"Pocket Armada", "PocketArmada.zip", "PocketArmada.exe", "PocketArmada", "PocketArmada",
     "Naval Strategy", "Pocket Armada", "310", "180", "Northwind Forge", 25, true},
    {"Whisperwood", "Whisperwood.zip", "Whisperwood.exe", "Whisperwood", "Whisperwood", "Adventure",
     "Whisperwood", "720", "400", "Lanternfish Studio", 45, true},
    {"Skyline Sprint", "SkylineSprint.zip", "SkylineSprint.exe", "SkylineSprint", "SkylineSprint",
     "Platformer", "Skyline Sprint", "150", "96", "Pixel Harbor", 20, true},
    {"Frostbite Frontier", "FrostbiteFrontier.zip", "FrostbiteFrontier.exe", "FrostbiteFrontier",
     "FrostbiteFrontier", "Survival", "Frostbite Frontier", "2100", "640", "Glacier Peak Games", 80, true},
    {"Neon Gambit", "NeonGambit.zip", "NeonGambit.exe", "NeonGambit", "NeonGambit", "Card Battler",
     "Neon Gambit", "260", "128", "Quiet Owl Games", 20, true},
    {"Rustbucket Rally", "RustbucketRally.zip", "RustbucketRally.exe", "RustbucketRally", "RustbucketRally",
     "Arcade Racing", "Rustbucket Rally", "540", "300", "Comet Garage", 35, true},
    {"Moonlit Masquerade", "MoonlitMasquerade.zip", "MoonlitMasquerade.exe", "MoonlitMasquerade",
     "MoonlitMasquerade", "Mystery", "Moonlit Masquerade", "870", "450", "Velvet Lantern", 50, true},
}};

} // namespace

const std::array<GameEntry, GameCount> &GameCatalogue() {
    return catalogue;
}
