#pragma once

#include <QDialog>

class PictureControl;
class QCheckBox;
class QPushButton;
class QSpinBox;
class TMainForm;

// The settings dialog: created hidden at start-up after the main window, shown modally by the
// settings button. Its settings: whether the launcher plays its sound cues, and the download speed
// limit (kept in a file of its own, and applied to a running download at once).
class TConfig : public QDialog {
    Q_OBJECT

public:
    explicit TConfig(TMainForm &mainForm);

    PictureControl *Background = nullptr;
    PictureControl *BtnClose = nullptr;
    QPushButton *BtnOK = nullptr;
    QPushButton *BtnCancel = nullptr;
    QCheckBox *CheckBoxSounds = nullptr;
    QSpinBox *SpinSpeedLimit = nullptr;

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
