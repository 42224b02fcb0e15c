#include "gui/app/MainForm.h"

void TMainForm::ConnectRemovalHandlers() {}
