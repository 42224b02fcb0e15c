#include "gui/app/MainForm.h"

// Placeholder until the My Games pages land.
void TMainForm::FillMyGamesPage() {}
