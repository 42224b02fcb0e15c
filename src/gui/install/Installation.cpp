#include "gui/app/MainForm.h"

// Placeholders until installation and update land; nothing arms them before then.
void TMainForm::FinishInstall() {}

void TMainForm::FinishUpdate() {}

void TMainForm::BtnInstallClick() {}

void TMainForm::UpdateSelectedGame() {}
