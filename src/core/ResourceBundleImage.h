#pragma once

#include <QByteArrayView>
#include <QString>

// Checks that a Qt binary resource file ("qres", versions 1 to 3) is whole before Qt is given it:
// Qt trusts the offsets inside such a file, so a damaged bundle would make it read outside the
// file. Returns why the image is unusable, or an empty string when every node, name and data
// block lies inside it and the tree has no loops.
QString CheckResourceBundleImage(QByteArrayView image);
