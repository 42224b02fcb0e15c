#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <utility>

// One picture of every skin picture with its name and pixel size, for review.
namespace skin {

QImage contactSheet(const QList<std::pair<QString, QImage>> &pictures);

} // namespace skin
