#pragma once

#include "SetupPayload.h"

#include <QList>
#include <QString>
#include <optional>

// The setup's promise, written to the launcher's folder once every new file is staged beside its
// target and on the disk: "these staged files replace these files". Until it exists nothing has
// been replaced, and an interrupted setup is undone by deleting the staged files; once it exists
// the replacement is finished (rolled forward) by whichever run of the setup comes next.
class SetupJournal {
public:
    explicit SetupJournal(QString folder);

    static QString fileName() { return QStringLiteral("QuillbarrowSetup.journal"); }
    // Where a new file waits beside its target: same folder, hence same file system.
    static QString stagedName(const QString &name) { return name + QStringLiteral(".setup-new"); }

    [[nodiscard]] bool exists() const;
    // The recorded replacements, or nothing with an error for a journal that cannot be trusted.
    std::optional<QList<PayloadEntry>> read(QString *error) const;
    // Atomic and on the disk when it returns true: the journal is then either whole or absent.
    bool write(const QList<PayloadEntry> &entries, QString *error) const;
    bool remove(QString *error) const;

private:
    QString path(const QString &name) const;

    QString m_folder;
};
