#include "gui/app/LauncherForms.h"

#include "gui/app/MainForm.h"
#include "gui/dialogs/AboutDialog.h"
#include "gui/dialogs/ConfigDialog.h"
#include "gui/dialogs/MessageDialog.h"

LauncherForms::LauncherForms() = default;
LauncherForms::~LauncherForms() = default;

std::optional<QString> LauncherForms::create(MainFormDependencies dependencies) {
    m_mainForm = std::make_unique<TMainForm>(std::move(dependencies));
    if (std::optional<QString> error = m_mainForm->FormCreate())
        return error;
    m_mainForm->About = new TAbout(*m_mainForm);
    m_mainForm->Config = new TConfig(*m_mainForm);
    m_mainForm->MessageForm = new TMessageForm(*m_mainForm);
    return std::nullopt;
}
