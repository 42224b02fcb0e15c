#include "gui/dialogs/TextDialog.h"

#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"
#include "gui/dialogs/DialogGeometry.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <utility>

TextDialog::TextDialog(TMainForm &mainForm, const QString &name, Proportions proportions)
    : QDialog(&mainForm, Qt::Dialog | Qt::FramelessWindowHint)
    , MainForm(mainForm)
    , m_proportions(proportions) {
    setObjectName(name);
    setModal(true);
    setAttribute(Qt::WA_TranslucentBackground);

    Background = new PictureControl(this);
    Background->setObjectName(QStringLiteral("Background"));
    CreditsTxt = new QLabel(QStringLiteral("Credits:"), this);
    CreditsTxt->setObjectName(QStringLiteral("CreditsTxt"));
    CreditsTxtB = new QLabel(QStringLiteral("Credits:"), this);
    CreditsTxtB->setObjectName(QStringLiteral("CreditsTxtB"));
    for (QLabel *text : {CreditsTxt, CreditsTxtB}) {
        text->setAlignment(Qt::AlignCenter);
        text->setWordWrap(true);
    }
    CreditsTxt->setStyleSheet(QStringLiteral("color: papayawhip;"));
    CreditsTxtB->setStyleSheet(QStringLiteral("color: black;"));
    // The shadow lies beneath the text.
    CreditsTxtB->stackUnder(CreditsTxt);
    CloseAboutBtn = new PictureControl(this);
    CloseAboutBtn->setObjectName(QStringLiteral("CloseAboutBtn"));
    CloseAboutBtn->setCursor(Qt::PointingHandCursor);
    OKAboutBtn = new QPushButton(QStringLiteral("OK"), this);
    OKAboutBtn->setObjectName(QStringLiteral("OKAboutBtn"));
    OKAboutBtn->setCursor(Qt::PointingHandCursor);
    OKAboutBtn->setStyleSheet(QStringLiteral("color: azure;"));
    // Enter is the dialog's key, not a default button's.
    OKAboutBtn->setAutoDefault(false);
    OKAboutBtn->setFocusPolicy(Qt::NoFocus);

    connect(CloseAboutBtn, &PictureControl::clicked, this, &TextDialog::CloseAboutBtnClick);
    connect(OKAboutBtn, &QPushButton::clicked, this, &TextDialog::CloseAboutBtnClick);
}

void TextDialog::FormShow() {
    using namespace DialogGeometry;
    for (const auto &[target, name] :
         {std::pair{CloseAboutBtn, "BtnClose"}, std::pair{Background, "UIBckg4"}}) {
        if (std::optional<QString> error = MainForm.LoadPicture(target, name))
            MainForm.ShowException(*error);
    }

    const int width = int(MainForm.width() * 0.6);
    const int height = int(width * m_proportions.heightOfWidth);
    centreOnScreen(this, MainForm, width, height);
    const double w = width;
    const double h = height;
    Background->setGeometry(0, 0, width, height);

    placeCentred(CloseAboutBtn, w * 0.03, w * 0.03, w * 0.94, h * 0.12);

    const double large = largeFontSize(MainForm.width());
    const QString text = dialogText();
    setFontSize(CreditsTxt, 0.9 * large);
    placeCentred(CreditsTxt, w * 0.8, w * 0.8 * m_proportions.textHeightOfWidth, w * 0.5,
                 h * m_proportions.textCentreY);
    CreditsTxt->setText(text);
    setFontSize(CreditsTxtB, 0.9 * large);
    placeCentred(CreditsTxtB, w * 0.8, w * 0.8 * 0.6, w * 0.503, h * 0.415);
    CreditsTxtB->setText(text);

    setFontSize(OKAboutBtn, large);
    placeCentred(OKAboutBtn, w * 0.12, w * 0.12 * 0.3, w * 0.5, h * m_proportions.okCentreY);
}

void TextDialog::CloseAboutBtnClick() {
    MainForm.PlayClick();
    done(QDialog::Accepted);
}

void TextDialog::showEvent(QShowEvent *event) {
    FormShow();
    QDialog::showEvent(event);
}

void TextDialog::keyPressEvent(QKeyEvent *event) {
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        CloseAboutBtnClick();
        return;
    default:
        // Other keys do nothing, not even the dialog's own Escape handling.
        event->accept();
    }
}
