#pragma once

#include <QDialog>

class TMainForm;

// The message dialog: created hidden at start-up after the main window, shown modally on demand.
class TMessageForm : public QDialog {
    Q_OBJECT

public:
    explicit TMessageForm(TMainForm &mainForm);

private:
    // The window whose size, fonts and click cue the dialog shares.
    TMainForm &MainForm;
};
