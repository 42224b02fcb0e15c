#pragma once

#include "SetupPayload.h"

#include <QString>
#include <functional>

// What the setup program does: waits until the launcher has ended, replaces the launcher's files in
// its folder so that no interruption leaves a mix of old and new files behind for good, and starts
// the new launcher.
//
// The replacement: every new file is written beside its target and flushed to the disk; then a
// journal naming them is written (the point of no return); then each is renamed over its target,
// the launcher executable last; then the journal goes. A run that finds a journal finishes that
// replacement first; a run that finds staged files without a journal deletes them.
class LauncherSetup {
public:
    enum class Checkpoint { Staged, Journaled, Renamed };

    struct Options {
        QString folder;      // the launcher's folder
        QString payloadPath; // the setup program itself
        int lockWaitMs = 30000;
        QString lockName = QStringLiteral("Quillbarrow-App");
        QString lockFolder; // empty: the launcher's own runtime folder
        QString launcherName = QStringLiteral("Quillbarrow.exe");
        // Called after each step, with the number of files renamed so far. Tests stop the process here.
        std::function<void(Checkpoint, int renamed)> checkpoint;
    };

    struct Result {
        bool ok = false;
        QString error;
    };

    explicit LauncherSetup(Options options);

    Result run();

private:
    bool waitForLauncherExit(class SingleInstanceLock &lock, QString *error) const;
    bool finishInterrupted(const QList<PayloadEntry> &ours, QString *error) const;
    bool stage(const SetupPayload &payload, const QList<PayloadEntry> &entries, QString *error) const;
    bool rollForward(const QList<PayloadEntry> &entries, bool verify, QString *error) const;
    void removeStaged(const QList<PayloadEntry> &entries) const;
    QString inFolder(const QString &name) const;
    void reach(Checkpoint checkpoint, int renamed) const;

    Options m_options;
};
