#pragma once

#include "gui/app/MainFormDependencies.h"

#include <QString>
#include <memory>
#include <optional>

class TMainForm;

// The launcher's four forms: the main window first, then the credits, settings and message
// dialogs, which live as children of the main window and go with it.
class LauncherForms {
public:
    LauncherForms();
    ~LauncherForms();
    LauncherForms(const LauncherForms &) = delete;
    LauncherForms &operator=(const LauncherForms &) = delete;

    // Builds the main window and runs its start-up completely before the dialogs exist. On failure
    // the message of what stopped it; no dialog is created then.
    [[nodiscard]] std::optional<QString> create(MainFormDependencies dependencies);

    [[nodiscard]] TMainForm *mainForm() const { return m_mainForm.get(); }

private:
    std::unique_ptr<TMainForm> m_mainForm;
};
