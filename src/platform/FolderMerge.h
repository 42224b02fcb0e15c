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
    // The same merge, but `into` changes in one step: whatever happens (a failure, a kill), it is
    // afterwards either as it was or the whole merge. The merge is made in `scratch` (a folder to
    // create, on the same file system) over a copy of `into` made of hard links; the old version is
    // left there for the caller to remove. An `into` that does not exist yet is `from` renamed.
    static FolderMergeResult replaceWhole(const QString &from, const QString &into, const QString &scratch);
};
