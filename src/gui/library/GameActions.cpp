#include "gui/app/MainForm.h"

// Placeholder until the game actions panel lands: the action buttons keep their state.
void TMainForm::RefreshGameStates() {}
