#include "gui/dialogs/AboutDialog.h"

#include "gui/app/MainForm.h"

TAbout::TAbout(TMainForm &mainForm)
    : TextDialog(mainForm, QStringLiteral("About"), {0.42, 0.65, 0.42, 0.85}) {
    setWindowTitle(QStringLiteral("Credits"));
}

QByteArray TAbout::creditsText(const QByteArray &versionLabel) {
    static const QByteArray head = QByteArrayLiteral("Credits:\n"
                                                     "\n"
                                                     "Design and programming: the Quillbarrow team\n"
                                                     "Pictures and sounds: the Quillbarrow team\n"
                                                     "\n"
                                                     "Quillbarrow\xC2\xAE ");
    static const QByteArray tail = QByteArrayLiteral("\nThank you for playing.");
    return head + versionLabel + tail;
}

QString TAbout::dialogText() const {
    return QString::fromLocal8Bit(creditsText(MainForm.VersionLabel));
}
