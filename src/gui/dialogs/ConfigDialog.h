#pragma once

#include <QDialog>

class TMainForm;

// The settings dialog: created hidden at start-up after the main window, shown modally on demand.
class TConfig : public QDialog {
    Q_OBJECT

public:
    explicit TConfig(TMainForm &mainForm);

private:
    // The window whose size, fonts and click cue the dialog shares.
    TMainForm &MainForm;
};
