#pragma once

#include <QDialog>

class PictureControl;
class QCheckBox;
class QPushButton;
class TMainForm;

// The settings dialog: created hidden at start-up after the main window, shown modally by the
// settings button. Its one setting is whether the launcher plays its sound cues.
class TConfig : public QDialog {
    Q_OBJECT

public:
    explicit TConfig(TMainForm &mainForm);

    PictureControl *Background = nullptr;
    PictureControl *BtnClose = nullptr;
    QPushButton *BtnOK = nullptr;
    QPushButton *BtnCancel = nullptr;
    QCheckBox *CheckBoxSounds = nullptr;

    void FormShow();
    void BtnOKClick();
    void BtnCancelClick();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // The window whose size, fonts, click cue and settings the dialog shares.
    TMainForm &MainForm;
};
