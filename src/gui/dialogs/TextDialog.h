#pragma once

#include <QDialog>
#include <QString>

class PictureControl;
class QLabel;
class QPushButton;
class TMainForm;

// The look the credits and the message dialog share: skin background, a text with its shadow, a
// close image and an "OK" button. Every showing skins, sizes, centres and fills the dialog again.
class TextDialog : public QDialog {
    Q_OBJECT

public:
    // Proportions that differ between the two dialogs.
    struct Proportions {
        double heightOfWidth; // dialog height as a part of its width
        double textHeightOfWidth;
        double textCentreY;
        double okCentreY;
    };

    TextDialog(TMainForm &mainForm, const QString &name, Proportions proportions);

    PictureControl *Background = nullptr;
    QLabel *CreditsTxt = nullptr;
    QLabel *CreditsTxtB = nullptr;
    PictureControl *CloseAboutBtn = nullptr;
    QPushButton *OKAboutBtn = nullptr;

    void FormShow();
    void CloseAboutBtnClick();

protected:
    // The text shown, read anew at every showing.
    [[nodiscard]] virtual QString dialogText() const = 0;

    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

    TMainForm &MainForm;

private:
    Proportions m_proportions;
};
