#include "FileFixtures.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace FileFixtures {

bool writeFile(const QString &path, const QByteArray &data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList snapshot(const QString &root) {
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString name = QDir(root).relativeFilePath(info.filePath());
        if (info.isSymLink())
            entries << name + u"->"_s + QFile::symLinkTarget(info.filePath());
        else if (info.isDir())
            entries << name + u'/';
        else if (const QByteArray data = readFile(info.filePath()); data.size() <= 64)
            entries << name + u'=' + QString::fromUtf8(data);
        else
            entries << name + u"=#"_s + QString::number(data.size());
    }
    entries.sort();
    return entries;
}

QByteArray littleEndian(quint64 value, int bytes) {
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
    return out;
}

} // namespace FileFixtures
