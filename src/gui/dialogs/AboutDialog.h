#pragma once

#include "gui/dialogs/TextDialog.h"

// The credits dialog: created hidden at start-up after the main window, opened by the product name.
class TAbout : public TextDialog {
    Q_OBJECT

public:
    explicit TAbout(TMainForm &mainForm);

    // The credits as shown (UTF-8, the system code page here), with the launcher's current version label
    // after the product name.
    [[nodiscard]] static QByteArray creditsText(const QByteArray &versionLabel);

protected:
    [[nodiscard]] QString dialogText() const override;
};
