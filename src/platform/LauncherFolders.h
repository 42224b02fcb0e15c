#pragma once

#include <QString>

// Where the launcher reads its own files (executable, bundles) and where it writes the player's
// (tables, Games, Temp). A launcher in a folder of its own writes beside itself; one installed by
// the system (a folder the player cannot write) writes below the player's data home instead.
struct LauncherFolders {
    QString programFolder;
    QString workingFolder;
    // The program folder is the working folder: the launcher may replace its own files.
    bool portable = true;

    // The rule alone: `dataHome` is the player's XDG data home.
    [[nodiscard]] static LauncherFolders choose(const QString &programFolder, bool programFolderWritable,
                                                const QString &dataHome);
    // The rule applied to this machine: the folder's write permission for this process and
    // $XDG_DATA_HOME (~/.local/share when unset).
    [[nodiscard]] static LauncherFolders forProgram(const QString &programFolder);
};
