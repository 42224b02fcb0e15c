#include "MainFormFixture.h"

#include "gui/controls/PictureControl.h"

#include <QFile>
#include <QTimer>

MainFormFixture::MainFormFixture() = default;

MainFormFixture::~MainFormFixture() {
    // The window's hooks point into this fixture.
    form.reset();
}

bool MainFormFixture::copyBundles() {
    return QFile::copy(QStringLiteral(PICTURE_BUNDLE), path(QStringLiteral("Quillbarrow01.dll"))) &&
           QFile::copy(QStringLiteral(SOUND_BUNDLE), path(QStringLiteral("Quillbarrow02.dll")));
}

MainFormDependencies MainFormFixture::dependencies() {
    MainFormDependencies d = MainFormDependencies::standard(folder.path());
    d.serviceBaseUrl = QStringLiteral("https://service.invalid:8443");
    auto manual = std::make_unique<ManualTickClock>(0x10000);
    clock = manual.get();
    d.clock = std::move(manual);
    d.urlOpener = std::make_unique<UrlOpener>([](const QUrl &) { return true; });
    d.messageBox = [this](QWidget *, QMessageBox::Icon, const QString &, const QString &text,
                          QMessageBox::StandardButtons) {
        messages << text;
        return QMessageBox::Ok;
    };
    d.pointer = [this] { return pointer; };
    d.windowExists = [this](const QByteArray &title) { return openWindows.contains(title); };
    d.terminate = [this](int code) { exitCodes << code; };
    sounds = d.sounds.get();
    return d;
}

std::optional<QString> MainFormFixture::start() {
    form = std::make_unique<TMainForm>(dependencies());
    return form->FormCreate();
}

bool MainFormFixture::startWithSkin(const std::function<void(MainFormDependencies &)> &adjust) {
    if (!copyBundles()) {
        qWarning("the built bundles could not be copied");
        return false;
    }
    MainFormDependencies d = dependencies();
    if (adjust)
        adjust(d);
    form = std::make_unique<TMainForm>(std::move(d));
    if (const std::optional<QString> error = form->FormCreate()) {
        qWarning("start-up stopped: %s", qPrintable(*error));
        return false;
    }
    form->EngineTimer->stop();
    return true;
}

void MainFormFixture::navigate(quint16 panel) {
    form->CurrentPanel = panel;
    form->ShowPanel();
}

QImage bundlePicture(TMainForm &form, QByteArrayView name) {
    PictureControl probe;
    if (form.LoadPicture(&probe, name))
        return {};
    return probe.picture().toImage();
}
