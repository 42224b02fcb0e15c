#include "gui/app/MainForm.h"

// Placeholders until the background download lands.
void TMainForm::StartDownload(const QByteArray &, const QByteArray &, const QByteArray &,
                              const QByteArray &) {}

void TMainForm::StopDownload() {}
