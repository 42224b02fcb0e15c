// QuillbarrowSetup.exe: started by the launcher from its Temp folder, with no parameters and the
// launcher's folder as working folder, just before the launcher closes itself.
#include "LauncherSetup.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

namespace {

// Test hook, inert unless set: QUILLBARROW_SETUP_TEST_STOP=staged | journaled | renamed:<k> ends
// the process on the spot at that point, as a crash or a kill would.
std::function<void(LauncherSetup::Checkpoint, int)> stopHook() {
    const QByteArray stop = qgetenv("QUILLBARROW_SETUP_TEST_STOP");
    if (stop.isEmpty())
        return {};
    return [stop](LauncherSetup::Checkpoint checkpoint, int renamed) {
        const bool hit = (checkpoint == LauncherSetup::Checkpoint::Staged && stop == "staged") ||
                         (checkpoint == LauncherSetup::Checkpoint::Journaled && stop == "journaled") ||
                         (checkpoint == LauncherSetup::Checkpoint::Renamed &&
                          stop == "renamed:" + QByteArray::number(renamed));
        if (hit)
            std::_Exit(86);
    };
}

} // namespace

int main(int argc, char *argv[]) {
    // Without a display the setup still works; it then reports only on its error output.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillbarrow Setup"));

    LauncherSetup::Options options;
    options.folder = QDir::currentPath();
    options.payloadPath = QApplication::applicationFilePath();
    options.checkpoint = stopHook();
    bool waitOk = false;
    const int waitMs = qEnvironmentVariableIntValue("QUILLBARROW_SETUP_TEST_LOCK_WAIT_MS", &waitOk);
    if (waitOk && waitMs >= 0)
        options.lockWaitMs = waitMs;

    const LauncherSetup::Result result = LauncherSetup(options).run();
    if (result.ok)
        return 0;
    std::fprintf(stderr, "QuillbarrowSetup: %s\n", result.error.toLocal8Bit().constData());
    const QString platform = QApplication::platformName();
    if (platform != u"offscreen" && platform != u"minimal")
        QMessageBox::critical(nullptr, QStringLiteral("Quillbarrow Setup"), result.error);
    return 1;
}
