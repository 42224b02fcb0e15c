#include "SetupJournal.h"

#include "platform/DurableFile.h"

#include <QDir>
#include <QFile>

namespace {

const QByteArray Header("QuillbarrowSetup journal 1");
const QByteArray Footer("end");

} // namespace

SetupJournal::SetupJournal(QString folder)
    : m_folder(std::move(folder)) {}

QString SetupJournal::path(const QString &name) const {
    return QDir(m_folder).filePath(name);
}

bool SetupJournal::exists() const {
    return QFile::exists(path(fileName()));
}

std::optional<QList<PayloadEntry>> SetupJournal::read(QString *error) const {
    QFile file(path(fileName()));
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString());
        return std::nullopt;
    }
    const QList<QByteArray> lines = file.read(1 << 16).split('\n');
    // Header, one line per file, footer, and the empty rest after the last newline.
    if (lines.size() < 4 || lines.first() != Header || lines.at(lines.size() - 2) != Footer ||
        !lines.last().isEmpty()) {
        *error = QStringLiteral("%1 is incomplete").arg(file.fileName());
        return std::nullopt;
    }
    QList<PayloadEntry> entries;
    for (qsizetype i = 1; i < lines.size() - 2; ++i) {
        // "<sha256 hex> <mode octal> <size> <name>"; the name is last, so it may hold blanks.
        const QByteArray &line = lines.at(i);
        const qsizetype a = line.indexOf(' '), b = line.indexOf(' ', a + 1), c = line.indexOf(' ', b + 1);
        bool modeOk = false, sizeOk = false;
        PayloadEntry entry;
        if (a > 0 && b > a && c > b) {
            entry.sha256 = QByteArray::fromHex(line.left(a));
            entry.mode = line.mid(a + 1, b - a - 1).toUInt(&modeOk, 8);
            entry.size = line.mid(b + 1, c - b - 1).toLongLong(&sizeOk);
            entry.name = QString::fromUtf8(line.mid(c + 1));
        }
        if (!modeOk || !sizeOk || entry.sha256.size() != 32 || (entry.mode & ~07777u) != 0 ||
            entry.size < 0 || !SetupPayload::isPlainName(entry.name)) {
            *error = QStringLiteral("%1 is damaged at line %2").arg(file.fileName()).arg(i + 1);
            return std::nullopt;
        }
        entries << entry;
    }
    return entries;
}

bool SetupJournal::write(const QList<PayloadEntry> &entries, QString *error) const {
    QByteArray text = Header + '\n';
    for (const PayloadEntry &entry : entries)
        text += entry.sha256.toHex() + ' ' + QByteArray::number(entry.mode, 8) + ' ' +
                QByteArray::number(entry.size) + ' ' + entry.name.toUtf8() + '\n';
    text += Footer + '\n';

    const QString temporary = path(fileName() + QStringLiteral(".tmp"));
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size() ||
        !file.flush()) {
        *error = QStringLiteral("cannot write %1: %2").arg(temporary, file.errorString());
        file.close();
        QFile::remove(temporary);
        return false;
    }
    file.close();
    DurableFileResult step = syncToDisk(temporary);
    if (step.ok)
        step = renameReplacing(temporary, path(fileName()));
    if (!step.ok) {
        *error = step.error;
        QFile::remove(temporary);
        return false;
    }
    step = syncToDisk(m_folder);
    if (!step.ok)
        *error = step.error;
    return step.ok;
}

bool SetupJournal::remove(QString *error) const {
    QFile::remove(path(fileName() + QStringLiteral(".tmp")));
    if (exists() && !QFile::remove(path(fileName()))) {
        *error = QStringLiteral("cannot remove %1").arg(path(fileName()));
        return false;
    }
    const DurableFileResult synced = syncToDisk(m_folder);
    if (!synced.ok)
        *error = synced.error;
    return synced.ok;
}
