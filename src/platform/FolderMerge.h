#pragma once

#include <QString>

struct FolderMergeResult {
    bool ok = false;
    QString error;
    qint64 moved = 0; // files, links and whole folders renamed into place
};

// Moves what a folder holds into another one on the same file system, by renaming: a file or link
// replaces one of the same name in one step, a folder is merged with one of the same name or renamed
// over as a whole where there is none. What the target holds beyond that stays.
//
// Every clash is looked for before anything moves, so a refusal leaves both folders as they were: a
// file or link where the target has a folder, a folder where the target has a file, or a link
// (links in the target are never followed, wherever they point). Only a failing rename part-way
// (a disk error) leaves some things moved; the error says which.
class FolderMerge {
public:
    static FolderMergeResult moveContents(const QString &from, const QString &into);
};
