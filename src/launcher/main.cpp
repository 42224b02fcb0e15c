// The launcher's entry: one instance per user, the four forms in order, the message loop. Whatever
// happens, the process ends with 0.
#include "gui/app/LauncherForms.h"
#include "gui/app/MainForm.h"
#include "platform/HeapTuning.h"
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
    // Every file the launcher names is relative to its own folder.
    const QString folder = QCoreApplication::applicationDirPath();
    QDir::setCurrent(folder);

    try {
        LauncherForms forms;
        if (const std::optional<QString> error = forms.create(MainFormDependencies::standard(folder))) {
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
