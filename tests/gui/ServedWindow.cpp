#include "ServedWindow.h"

#include "gui/app/MainForm.h"
#include "gui/dialogs/MessageDialog.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>
#include <limits>
#include <sys/stat.h>
#include <zip.h>

QString ServedWindow::startService(RunningService &service) {
    const QString init = service.init();
    if (!init.isEmpty())
        return init;
    return service.start();
}

QString ServedWindow::baseUrl(const RunningService &service) {
    return QStringLiteral("https://localhost:%1").arg(service.port());
}

QString ServedWindow::downloadDir(const RunningService &service) {
    return QDir(service.dataDir()).filePath(QStringLiteral("www/download"));
}

bool ServedWindow::start(const QString &url, bool online) {
    if (!QFile::copy(QStringLiteral(LAUNCHER_EXE), fixture.path(QStringLiteral("Quillbarrow.exe")))) {
        qWarning("the launcher could not be copied");
        return false;
    }
    const bool started = fixture.startWithSkin([&](MainFormDependencies &d) {
        d.serviceBaseUrl = url;
        d.freeSpace = [this](const QString &) { return freeBytes; };
    });
    form = fixture.form.get();
    if (!started)
        return false;
    // A login set by hand is no session of the service's: its server check and chat poll would
    // answer it with a log-out.
    if (!online) {
        form->EngineSlots[1].period = std::numeric_limits<quint32>::max();
        form->EngineSlots[3].period = std::numeric_limits<quint32>::max();
    }
    form->MessageForm = new TMessageForm(*form);
    return true;
}

bool ServedWindow::logIn(const QString &email, const QString &password) {
    TMainForm &w = *form;
    w.PostServerCheck();
    if (!QTest::qWaitFor([&w] { return w.ServerCheckIdle; }, 10000))
        return false;
    w.EMailEdit->setText(email);
    w.PasswordEdit->setText(password);
    w.BtnLogInClick();
    return QTest::qWaitFor([&w] { return !w.LoginTO->isActive(); }, 10000) && w.LoggedIn;
}

void ServedWindow::tick() {
    fixture.clock->advance(31);
    form->EngineTimerTimer();
    QTest::qWait(1);
}

bool ServedWindow::tickUntil(const std::function<bool()> &done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        tick();
    }
    return true;
}

QString ServedWindow::chat() const {
    return form->ChatAll->toPlainText();
}

void ServedWindow::selectGame(qint16 game) {
    form->SelectedGame = game;
    fixture.navigate(10);
    form->RefreshGameStates();
}

bool writeArchive(const QString &path, const std::vector<ArchiveEntry> &entries) {
    int code = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive)
        return false;
    for (const ArchiveEntry &entry : entries) {
        zip_int64_t index = -1;
        if (entry.folder) {
            index = zip_dir_add(archive, entry.name.constData(), ZIP_FL_ENC_RAW);
        } else {
            zip_source_t *source =
                zip_source_buffer(archive, entry.data.constData(), zip_uint64_t(entry.data.size()), 0);
            index = zip_file_add(archive, entry.name.constData(), source, ZIP_FL_ENC_RAW);
            if (index >= 0)
                zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_STORE, 0);
        }
        const zip_uint32_t mode = entry.folder ? S_IFDIR | 0755 : S_IFREG | zip_uint32_t(entry.mode);
        if (index < 0 || zip_file_set_external_attributes(archive, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX,
                                                          mode << 16) != 0) {
            zip_discard(archive);
            return false;
        }
    }
    return zip_close(archive) == 0;
}

bool addToArchive(const QString &path, const ArchiveEntry &entry) {
    int code = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), 0, &code);
    if (!archive)
        return false;
    zip_source_t *source =
        zip_source_buffer(archive, entry.data.constData(), zip_uint64_t(entry.data.size()), 0);
    const zip_int64_t index = zip_file_add(archive, entry.name.constData(), source, ZIP_FL_ENC_RAW);
    if (index < 0 || zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_STORE, 0) != 0) {
        zip_discard(archive);
        return false;
    }
    return zip_close(archive) == 0;
}

QByteArray randomBytes(qsizetype size) {
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator generator{quint32(size)};
    for (char &c : data)
        c = char(generator.bounded(256));
    return data;
}
