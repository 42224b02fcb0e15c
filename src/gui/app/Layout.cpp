#include "core/WindowMetrics.h"
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"

#include <QScreen>

// Until the layout scaling lands, only the window takes its size from the screen and the background
// covers it; the other elements keep their default places.
void TMainForm::LayoutMain() {
    const QScreen *display = screen();
    if (!display)
        return;
    const WindowMetrics metrics = mainWindowMetrics(display->geometry().width());
    resize(metrics.width, metrics.height);
    Pozadina->setGeometry(0, 0, width(), height());
}

void TMainForm::LayoutGameDetail() {}

void TMainForm::LayoutChat() {}
