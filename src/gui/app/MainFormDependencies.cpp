#include "gui/app/MainFormDependencies.h"

#include "gui/ServiceAddress.h"
#include "platform/FileSystemInfo.h"
#include "platform/MonotonicTickClock.h"
#include "platform/SoundPlayer.h"
#include "platform/WindowFinder.h"

#include <QCoreApplication>

MainFormDependencies::MainFormDependencies() = default;
MainFormDependencies::~MainFormDependencies() = default;
MainFormDependencies::MainFormDependencies(MainFormDependencies &&) noexcept = default;
MainFormDependencies &MainFormDependencies::operator=(MainFormDependencies &&) noexcept = default;

MainFormDependencies MainFormDependencies::standard(const QString &workingFolder) {
    MainFormDependencies d;
    d.workingFolder = workingFolder;
    d.serviceBaseUrl = QString::fromUtf16(BuiltServiceBaseUrl);
    d.clock = std::make_unique<MonotonicTickClock>();
    d.urlOpener = std::make_unique<UrlOpener>();
    d.messageBox = [](QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
                      QMessageBox::StandardButtons buttons) {
        QMessageBox box(icon, title, text, buttons, parent);
        return QMessageBox::StandardButton(box.exec());
    };
    d.pointer = [] { return queryPointer(); };
    d.windowExists = [finder = std::make_shared<WindowFinder>()](const QByteArray &title) {
        return finder->exists(title);
    };
    d.sounds = std::make_unique<SoundPlayer>();
    d.freeSpace = [](const QString &folder) { return freeBytes(folder); };
    d.terminate = [](int exitCode) { QCoreApplication::exit(exitCode); };
    return d;
}
