#pragma once

#include <QByteArray>
#include <QList>
#include <utility>

// The launcher's form encoder, reachable from code that also sees the service's FormFields class
// (the launcher's header names its field list the same).
QByteArray launcherFormBody(const QList<std::pair<QByteArray, QByteArray>> &fields);
