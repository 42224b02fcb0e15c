#include "gui/app/MainForm.h"

// Placeholder until the game launch lands.
void TMainForm::BtnPlayClick() {}
