#pragma once

#include <QtGlobal>

class QProcess;

// Prepares a QProcess for a long-running child that its supervisor must never leave behind: the
// child leads a process group of its own, so a Ctrl+C at the terminal reaches only the supervisor
// (which stops the child in order), and it receives SIGTERM when the supervisor ends in any way,
// even by SIGKILL. Call before start(), from a thread that lives as long as the process.
void makeSupervisedChild(QProcess &process);

// Ends whatever is left of the process group that a supervised child led, for instance the
// workers of a server whose master was killed: SIGTERM, then SIGKILL after graceMs. Returns
// once the group is empty or after the SIGKILL.
void endProcessGroup(qint64 groupId, int graceMs);
