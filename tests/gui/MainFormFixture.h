#pragma once

#include "gui/app/MainForm.h"
#include "platform/ManualTickClock.h"
#include "platform/SoundPlayer.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QSet>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <optional>

// A main window in a temporary launcher folder with copies of the built bundles, a clock that moves
// only when told, and message boxes, pointer, window lookup and program end answered by the test.
class MainFormFixture {
public:
    MainFormFixture();
    ~MainFormFixture();
    MainFormFixture(const MainFormFixture &) = delete;
    MainFormFixture &operator=(const MainFormFixture &) = delete;

    // Copies the two bundles into the folder; false when they are missing.
    bool copyBundles();
    // Dependencies that report to this fixture.
    MainFormDependencies dependencies();
    // Builds the window and runs its start-up; the error that stopped it, if any.
    std::optional<QString> start();
    // Copies the bundles and starts the window on dependencies() as adjust leaves them, then stops
    // its engine timer so that the test runs the ticks itself. False (with a warning saying why)
    // when that failed.
    [[nodiscard]] bool startWithSkin(const std::function<void(MainFormDependencies &)> &adjust = {});
    // Sets the panel and shows it, as every navigation does.
    void navigate(quint16 panel);

    [[nodiscard]] QString path(const QString &name) const { return folder.filePath(name); }

    QTemporaryDir folder;
    ManualTickClock *clock = nullptr; // owned by the window
    SoundPlayer *sounds = nullptr;    // owned by the window
    QStringList messages;
    std::optional<PointerState> pointer;
    QSet<QByteArray> openWindows;
    QList<int> exitCodes;
    std::unique_ptr<TMainForm> form;
};

// The picture the bundle holds under this name, as the window would show it; null when none.
QImage bundlePicture(TMainForm &form, QByteArrayView name);
