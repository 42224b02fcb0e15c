#include "gui/app/MainForm.h"

// Placeholders until removal and the clean-up of Temp land.
void TMainForm::FinishRemoval() {}

void TMainForm::CleanUpTemp() {}

void TMainForm::CleanUpOnClose() {}

void TMainForm::BtnDeleteClick() {}

void TMainForm::BtnCancelClick() {}
