#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class QIODevice;

// One file the setup program carries for the launcher's folder.
struct PayloadEntry {
    QString name;      // a plain file name: the file lands directly in the launcher's folder
    quint32 mode = 0;  // Unix permission bits it gets there
    qint64 offset = 0; // where its bytes start in the setup program
    qint64 size = 0;
    QByteArray sha256;
};

// The files appended to the setup program: the stub executable, then the files' bytes, then a table
// of them, then a fixed trailer that points at the table. The stub stays a valid executable, its
// version record included, because nothing before its end changes.
class SetupPayload {
public:
    // Reads the table at the end of a built setup program. Any inconsistency (no trailer, a table
    // outside the file, entries overlapping the table, a name with a folder in it) is an error.
    static std::optional<SetupPayload> open(const QString &path, QString *error);

    // Writes stub + files into `out` (atomically). Names are the files' own names; a file that is
    // executable for its owner gets 0755, others 0644.
    static bool write(const QString &stub, const QStringList &files, const QString &out, QString *error);

    // Copies an entry's bytes into `target` and checks them against the recorded digest.
    bool copyTo(const PayloadEntry &entry, QIODevice &target, QString *error) const;

    // True for a name that stays inside the folder it is joined to: no separator, not "." or "..".
    static bool isPlainName(const QString &name);

    [[nodiscard]] const QList<PayloadEntry> &entries() const { return m_entries; }

private:
    QString m_path;
    QList<PayloadEntry> m_entries;
};
