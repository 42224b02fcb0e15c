#pragma once

#include <QByteArray>
#include <QString>

// Starts the program detached with the launcher's own rights and does not wait for it. The
// parameters are split at blanks as a command line would be (quotes group words). A downloaded
// program lacks its execute bit, so it gets one first. True when the program was started.
bool startProgram(const QString &program, const QByteArray &parameters, const QString &workingFolder);

// Removes the folder and everything below it in a detached process, without waiting. Only for an
// absolute path other than "/"; false for anything else or when the removal could not be started.
bool removeFolderDetached(const QString &absoluteFolder);
