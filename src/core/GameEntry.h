#pragma once

#include <cstdint>
#include <string_view>

// One row of the built-in catalogue. Text columns are plain ASCII and fixed for the process.
struct GameEntry {
    std::string_view Title;
    std::string_view ArchiveName;
    std::string_view ExeName;
    std::string_view FolderName;
    std::string_view ImageName;
    std::string_view Genre;
    std::string_view WindowTitle;
    std::string_view SizeMB;
    std::string_view SpaceDigits;
    std::string_view Developer;
    std::int32_t RemovalWait;
    bool ListedAtStart;
};
