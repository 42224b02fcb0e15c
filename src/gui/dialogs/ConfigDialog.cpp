#include "gui/dialogs/ConfigDialog.h"

#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"
#include "gui/dialogs/DialogGeometry.h"
#include "gui/storage/DownloadSettings.h"
#include "net/DownloadClient.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QSpinBox>
#include <utility>

TConfig::TConfig(TMainForm &mainForm)
    : QDialog(&mainForm, Qt::Dialog | Qt::FramelessWindowHint)
    , MainForm(mainForm) {
    setObjectName(QStringLiteral("Config"));
    setWindowTitle(QStringLiteral("Settings"));
    setModal(true);
    setAttribute(Qt::WA_TranslucentBackground);

    Background = new PictureControl(this);
    Background->setObjectName(QStringLiteral("Background"));
    BtnClose = new PictureControl(this);
    BtnClose->setObjectName(QStringLiteral("BtnClose"));
    BtnClose->setCursor(Qt::PointingHandCursor);
    BtnOK = new QPushButton(QStringLiteral("OK"), this);
    BtnOK->setObjectName(QStringLiteral("BtnOK"));
    BtnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    for (QPushButton *button : {BtnOK, BtnCancel}) {
        button->setCursor(Qt::PointingHandCursor);
        button->setStyleSheet(QStringLiteral("color: azure;"));
        // Enter stores nothing by itself: no default button.
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::NoFocus);
    }
    CheckBoxSounds = new QCheckBox(QStringLiteral("Enable Sounds"), this);
    CheckBoxSounds->setObjectName(QStringLiteral("CheckBoxSounds"));
    CheckBoxSounds->setCursor(Qt::PointingHandCursor);
    CheckBoxSounds->setStyleSheet(QStringLiteral("color: snow;"));

    SpinSpeedLimit = new QSpinBox(this);
    SpinSpeedLimit->setObjectName(QStringLiteral("SpinSpeedLimit"));
    SpinSpeedLimit->setRange(0, DownloadSettings::kMaxSpeedLimitMBps);
    SpinSpeedLimit->setPrefix(QStringLiteral("Download limit: "));
    SpinSpeedLimit->setSuffix(QStringLiteral(" MB/s"));
    SpinSpeedLimit->setSpecialValueText(QStringLiteral("Download limit: none"));
    SpinSpeedLimit->setStyleSheet(QStringLiteral("color: snow; background: transparent;"));

    connect(BtnClose, &PictureControl::clicked, this, &TConfig::BtnCancelClick);
    connect(BtnOK, &QPushButton::clicked, this, &TConfig::BtnOKClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TConfig::BtnCancelClick);
}

void TConfig::FormShow() {
    using namespace DialogGeometry;
    CheckBoxSounds->setChecked(MainForm.SoundsOn);
    SpinSpeedLimit->setValue(DownloadSettings::loadSpeedLimitMBps(MainForm.Dependencies().workingFolder));
    for (const auto &[target, name] : {std::pair{BtnClose, "BtnClose"}, std::pair{Background, "UIBckg4"}}) {
        if (std::optional<QString> error = MainForm.LoadPicture(target, name))
            MainForm.ShowException(*error);
    }

    const int mainWidth = MainForm.width();
    const int width = int(mainWidth * 0.6);
    const int height = int(width * 0.35);
    centreOnScreen(this, MainForm, width, height);
    const double d = width;
    const double e = height;
    Background->setGeometry(0, 0, width, height);

    placeCentred(BtnClose, d * 0.03, d * 0.03, d * 0.94, e * 0.12);
    for (const auto &[button, x] : {std::pair{BtnOK, 0.33}, std::pair{BtnCancel, 0.66}}) {
        setFontSize(button, largeFontSize(mainWidth));
        placeCentred(button, d * 0.12, d * 0.12 * 0.3, d * x, e * 0.87);
    }
    setFontSize(CheckBoxSounds, baseFontSize(mainWidth));
    placeCentred(CheckBoxSounds, d * 0.2, d * 0.2 * 0.12, d * 0.5, e * 0.4);
    setFontSize(SpinSpeedLimit, baseFontSize(mainWidth));
    placeCentred(SpinSpeedLimit, d * 0.34, d * 0.2 * 0.16, d * 0.5, e * 0.6);
}

void TConfig::BtnOKClick() {
    MainForm.SoundsOn = CheckBoxSounds->isChecked();
    const int limit = SpinSpeedLimit->value();
    if (const QString error =
            DownloadSettings::saveSpeedLimitMBps(MainForm.Dependencies().workingFolder, limit);
        !error.isEmpty())
        MainForm.ChatSay(
            QStringLiteral("The download speed limit could not be saved: %1").arg(error).toUtf8());
    // A running download follows at once.
    if (MainForm.NetDownload)
        MainForm.NetDownload->setSpeedLimit(DownloadSettings::bytesPerSecond(limit));
    // The click follows the new setting.
    MainForm.PlayClick();
    done(QDialog::Accepted);
    MainForm.SaveSettings();
}

void TConfig::BtnCancelClick() {
    MainForm.PlayClick();
    done(QDialog::Rejected);
}

void TConfig::showEvent(QShowEvent *event) {
    FormShow();
    QDialog::showEvent(event);
}

void TConfig::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape) {
        BtnCancelClick();
        return;
    }
    // Enter and the rest do nothing here.
    event->accept();
}
