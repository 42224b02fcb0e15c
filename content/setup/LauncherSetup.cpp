#include "LauncherSetup.h"

#include "SetupJournal.h"
#include "platform/DurableFile.h"
#include "platform/ProcessLauncher.h"
#include "platform/SingleInstanceLock.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>
#include <algorithm>

namespace {

QByteArray digestOf(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return hash.addData(&file) ? hash.result() : QByteArray();
}

// Qt keeps one hexadecimal digit per octal digit of a Unix mode, the owner's twice (owner and user).
QFileDevice::Permissions permissionsOf(quint32 mode) {
    const int owner = static_cast<int>((mode >> 6) & 7), group = static_cast<int>((mode >> 3) & 7),
              other = static_cast<int>(mode & 7);
    return QFileDevice::Permissions::fromInt(owner << 12 | owner << 8 | group << 4 | other);
}

} // namespace

LauncherSetup::LauncherSetup(Options options)
    : m_options(std::move(options)) {}

QString LauncherSetup::inFolder(const QString &name) const {
    return QDir(m_options.folder).filePath(name);
}

void LauncherSetup::reach(Checkpoint checkpoint, int renamed) const {
    if (m_options.checkpoint)
        m_options.checkpoint(checkpoint, renamed);
}

LauncherSetup::Result LauncherSetup::run() {
    QString error;
    const std::optional<SetupPayload> payload = SetupPayload::open(m_options.payloadPath, &error);
    if (!payload)
        return {false, QStringLiteral("The setup program is damaged (%1). Download it again.").arg(error)};
    if (!QFileInfo(m_options.folder).isDir())
        return {false, QStringLiteral("The launcher's folder %1 does not exist.").arg(m_options.folder)};

    // The launcher executable goes last: until it is replaced the folder still reports the old
    // version, so an interrupted setup is offered again by the next version check.
    QList<PayloadEntry> entries = payload->entries();
    std::stable_partition(entries.begin(), entries.end(),
                          [this](const PayloadEntry &entry) { return entry.name != m_options.launcherName; });

    SingleInstanceLock lock(m_options.lockName, m_options.lockFolder);
    if (!waitForLauncherExit(lock, &error))
        return {false, error};

    if (!finishInterrupted(entries, &error))
        return {false, error};

    if (!stage(*payload, entries, &error)) {
        removeStaged(entries);
        return {false, QStringLiteral("The new launcher files could not be prepared; nothing was changed. %1")
                           .arg(error)};
    }
    reach(Checkpoint::Staged, 0);

    const SetupJournal journal(m_options.folder);
    if (!journal.write(entries, &error)) {
        QString ignored;
        journal.remove(&ignored);
        removeStaged(entries);
        return {false, QStringLiteral("The update could not be started; nothing was changed. %1").arg(error)};
    }
    reach(Checkpoint::Journaled, 0);

    // Past the journal a failure leaves it in place, and the next run of the setup finishes the job.
    if (!rollForward(entries, false, &error) || !journal.remove(&error))
        return {false, QStringLiteral("The update stopped half-way: %1. Start the setup again to finish it.")
                           .arg(error)};
    lock.release();

    const QString launcher = inFolder(m_options.launcherName);
    if (!startProgram(launcher, {}, m_options.folder))
        return {false, QStringLiteral("Quillbarrow was updated but %1 could not be started.").arg(launcher)};
    return {true, {}};
}

bool LauncherSetup::waitForLauncherExit(SingleInstanceLock &lock, QString *error) const {
    const QDeadlineTimer deadline(m_options.lockWaitMs);
    for (;;) {
        if (lock.tryAcquire())
            return true;
        if (lock.state() == SingleInstanceLock::State::Failed) {
            *error = QStringLiteral("Cannot tell whether Quillbarrow is still running: %1")
                         .arg(lock.errorString());
            return false;
        }
        if (deadline.hasExpired()) {
            *error = QStringLiteral("Quillbarrow is still running after %1 seconds. Close it and start the "
                                    "setup again.")
                         .arg(m_options.lockWaitMs / 1000.0);
            return false;
        }
        QThread::msleep(100);
    }
}

bool LauncherSetup::finishInterrupted(const QList<PayloadEntry> &ours, QString *error) const {
    const SetupJournal journal(m_options.folder);
    QList<PayloadEntry> leftovers = ours;
    if (journal.exists()) {
        QString damage;
        if (const std::optional<QList<PayloadEntry>> promised = journal.read(&damage)) {
            // An earlier run had staged everything: finish it before anything else.
            if (!rollForward(*promised, true, error))
                return false;
            leftovers += *promised;
        }
        // A journal that is not whole was never the point of no return (it is renamed into place
        // whole), so it is dropped like staged files without one.
        if (!journal.remove(error))
            return false;
    }
    removeStaged(leftovers);
    return true;
}

bool LauncherSetup::stage(const SetupPayload &payload, const QList<PayloadEntry> &entries,
                          QString *error) const {
    for (const PayloadEntry &entry : entries) {
        const QString staged = inFolder(SetupJournal::stagedName(entry.name));
        QFile file(staged);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            *error = QStringLiteral("cannot write %1: %2").arg(staged, file.errorString());
            return false;
        }
        const bool copied = payload.copyTo(entry, file, error);
        const bool flushed = copied && file.flush();
        file.close();
        if (!copied)
            return false;
        if (!flushed || file.error() != QFileDevice::NoError) {
            *error = QStringLiteral("cannot write %1: %2").arg(staged, file.errorString());
            return false;
        }
        if (!QFile::setPermissions(staged, permissionsOf(entry.mode))) {
            *error = QStringLiteral("cannot set the permissions of %1").arg(staged);
            return false;
        }
        const DurableFileResult synced = syncToDisk(staged);
        if (!synced.ok) {
            *error = synced.error;
            return false;
        }
    }
    const DurableFileResult synced = syncToDisk(m_options.folder);
    if (!synced.ok)
        *error = synced.error;
    return synced.ok;
}

bool LauncherSetup::rollForward(const QList<PayloadEntry> &entries, bool verify, QString *error) const {
    int renamed = 0;
    for (const PayloadEntry &entry : entries) {
        const QString staged = inFolder(SetupJournal::stagedName(entry.name));
        const QString target = inFolder(entry.name);
        if (!QFile::exists(staged))
            continue; // renamed by the run that wrote the journal
        // A staged file of an interrupted run is used only when it is exactly what the journal
        // promised; otherwise this run's own copy replaces the target in a moment anyway.
        if (verify && digestOf(staged) != entry.sha256) {
            QFile::remove(staged);
            continue;
        }
        const DurableFileResult moved = renameReplacing(staged, target);
        if (!moved.ok) {
            *error = moved.error;
            return false;
        }
        reach(Checkpoint::Renamed, ++renamed);
    }
    const DurableFileResult synced = syncToDisk(m_options.folder);
    if (!synced.ok)
        *error = synced.error;
    return synced.ok;
}

void LauncherSetup::removeStaged(const QList<PayloadEntry> &entries) const {
    for (const PayloadEntry &entry : entries)
        QFile::remove(inFolder(SetupJournal::stagedName(entry.name)));
}
