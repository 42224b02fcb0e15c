#include "gui/app/MainForm.h"

// Placeholder until the server check lands: nothing is posted yet.
void TMainForm::PostServerCheck() {}
