#pragma once

#include "gui/dialogs/TextDialog.h"

// The message dialog: created hidden at start-up after the main window; shows the main window's
// MessageText, which its caller stores before opening it.
class TMessageForm : public TextDialog {
    Q_OBJECT

public:
    explicit TMessageForm(TMainForm &mainForm);

protected:
    [[nodiscard]] QString dialogText() const override;
};
