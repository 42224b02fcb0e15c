#pragma once

#include <QByteArray>
#include <QList>
#include <QScopeGuard>
#include <QString>
#include <functional>

// Test helpers for real games on disk and as processes.
namespace GameFolders {

// Copies a folder with everything below it; file permissions come along.
bool copyTree(const QString &from, const QString &to);

// Processes whose executable is exactly this file, by /proc.
QList<qint64> processesOf(const QString &executable);

// The arguments after the program name of a running process.
QList<QByteArray> argumentsOf(qint64 pid);

// Until the guard ends, programs this process starts open their windows on this X display.
[[nodiscard]] QScopeGuard<std::function<void()>> childrenOnDisplay(const QByteArray &display);

} // namespace GameFolders
