#pragma once

#include <QDialog>

class TMainForm;

// The credits dialog: created hidden at start-up after the main window, shown modally on demand.
class TAbout : public QDialog {
    Q_OBJECT

public:
    explicit TAbout(TMainForm &mainForm);

private:
    // The window whose size, fonts and click cue the dialog shares.
    TMainForm &MainForm;
};
