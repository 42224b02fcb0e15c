// The launcher's entry: one instance per user, the four forms in order, the message loop. Whatever
// happens, the process ends with 0.
#include "gui/app/LauncherForms.h"
#include "gui/app/MainForm.h"
#include "platform/HeapTuning.h"
#include "platform/LauncherFolders.h"
#include "platform/SingleInstanceLock.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <exception>

namespace {

// The standard display of an error that ended start-up or escaped the message loop.
void showError(const QString &message) {
    QMessageBox::critical(nullptr, QStringLiteral("Quillbarrow"), message);
}

} // namespace

int main(int argc, char **argv) {
    tuneHeapForStreaming();
    // A lock file that cannot be made does not stop the launcher; only another holder does.
    SingleInstanceLock instance;
    if (!instance.tryAcquire() && instance.state() == SingleInstanceLock::State::TakenByOther)
        return 0;

    QApplication app(argc, argv);
    // The program ends only through its exit sequence, never because a window went away.
    QApplication::setQuitOnLastWindowClosed(false);
    // Every file the launcher writes is relative to its working folder: its own folder, or the
    // player's when the system installed it where the player cannot write.
    const LauncherFolders folders = LauncherFolders::forProgram(QCoreApplication::applicationDirPath());
    if (!QDir().mkpath(folders.workingFolder)) {
        showError(QStringLiteral("Quillbarrow cannot create its folder %1.").arg(folders.workingFolder));
        return 0;
    }
    QDir::setCurrent(folders.workingFolder);

    try {
        MainFormDependencies dependencies = MainFormDependencies::standard(folders.workingFolder);
        dependencies.programFolder = folders.programFolder;
        dependencies.portable = folders.portable;
        LauncherForms forms;
        if (const std::optional<QString> error = forms.create(std::move(dependencies))) {
            showError(*error);
            return 0;
        }
        forms.mainForm()->show();
        forms.mainForm()->activateWindow();
        QApplication::exec();
    } catch (const std::exception &error) {
        showError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        showError(QString());
    }
    return 0;
}
