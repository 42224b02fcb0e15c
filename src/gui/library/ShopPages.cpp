#include "gui/app/MainForm.h"

// Placeholders until the shop pages land: the shop shows no cards yet.
void TMainForm::RebuildShopList() {}

void TMainForm::FillShopPage() {}
