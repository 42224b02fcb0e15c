#include "gui/app/MainForm.h"

// Placeholder until the launcher's self-update lands.
void TMainForm::FinishSelfUpdate() {}

void TMainForm::BtnUpdateClick() {}
