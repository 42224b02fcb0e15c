#pragma once

#include <QDialog>
#include <QFont>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

// Proportional placement shared by the launcher's dialogs: they size themselves from the main
// window each time they are shown, so a resized window is reflected at the next opening.
namespace DialogGeometry {

// The font units of the main window's layout, from its width in integer arithmetic.
inline int largeFontSize(int mainWidth) {
    return mainWidth / 50;
}
inline int baseFontSize(int mainWidth) {
    return mainWidth / 70;
}

// Sizes the control and puts the middle of it at (cx, cy) of its parent.
inline void placeCentred(QWidget *control, double width, double height, double cx, double cy) {
    const int w = int(width);
    const int h = int(height);
    control->setGeometry(int(cx - width / 2), int(cy - height / 2), w, h);
}

inline void setFontSize(QWidget *control, double size) {
    QFont font = control->font();
    // A window too small for a readable font still gets a valid one.
    font.setPixelSize(qMax(1, int(size)));
    control->setFont(font);
}

// Sizes the dialog and centres it on the screen of the main window, wherever that window is.
inline void centreOnScreen(QDialog *dialog, const QWidget &mainWindow, int width, int height) {
    const QScreen *screen = mainWindow.screen() ? mainWindow.screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, width, height);
    dialog->resize(width, height);
    dialog->move(area.x() + int(area.width() * 0.5) - width / 2,
                 area.y() + int(area.height() * 0.5) - height / 2);
}

} // namespace DialogGeometry
