#include "gui/app/MainForm.h"

// Placeholders until the login session lands: no login or log-off is posted yet.
void TMainForm::BtnLogInClick() {}

void TMainForm::PostLogOff() {}
