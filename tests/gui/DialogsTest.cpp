// The three dialogs on a real main window in a temporary launcher folder with the built bundles.
#include "MainFormFixture.h"
#include "core/SettingsTable.h"
#include "gui/controls/ClickLabel.h"
#include "gui/controls/PictureControl.h"
#include "gui/dialogs/AboutDialog.h"
#include "gui/dialogs/ConfigDialog.h"
#include "gui/dialogs/MessageDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Starts the window with its skin and makes the dialogs as the launcher does, after the window.
bool startWithDialogs(MainFormFixture &f) {
    if (!f.startWithSkin())
        return false;
    f.form->About = new TAbout(*f.form);
    f.form->Config = new TConfig(*f.form);
    f.form->MessageForm = new TMessageForm(*f.form);
    return true;
}

QPoint screenCentreFor(const QWidget &window, QSize size) {
    const QRect area = window.screen()->geometry();
    return {area.x() + int(area.width() * 0.5) - size.width() / 2,
            area.y() + int(area.height() * 0.5) - size.height() / 2};
}

bool storedSoundsOn(const MainFormFixture &f) {
    StringGrid grid;
    return loadSettingsTable(grid, f.folder.path()).soundsOn;
}

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void settingsDialogIsLaidOutFromTheMainWindow() {
        MainFormFixture f;
        QVERIFY(startWithDialogs(f));
        TConfig &c = *f.form->Config;
        f.form->resize(1000, 700);
        c.show();
        QCOMPARE(c.size(), QSize(600, 210));
        QCOMPARE(c.pos(), screenCentreFor(*f.form, c.size()));
        QCOMPARE(c.BtnClose->geometry(), QRect(555, 16, 18, 18));
        QCOMPARE(c.BtnOK->geometry(), QRect(162, 171, 72, 21));
        QCOMPARE(c.BtnCancel->geometry(), QRect(360, 171, 72, 21));
        QCOMPARE(c.CheckBoxSounds->geometry(), QRect(240, 76, 120, 14));
        QCOMPARE(c.BtnOK->font().pixelSize(), 20);
        QCOMPARE(c.CheckBoxSounds->font().pixelSize(), 14);
        QCOMPARE(c.Background->geometry(), QRect(0, 0, 600, 210));
        QVERIFY(!c.Background->picture().isNull());
        QVERIFY(!c.BtnClose->picture().isNull());
        QCOMPARE(c.findChild<QCheckBox *>(u"CheckBoxSounds"_s), c.CheckBoxSounds);
        QCOMPARE(c.CheckBoxSounds->text(), u"Enable Sounds"_s);
        c.hide();

        // A resized window shows at the next opening.
        f.form->resize(1400, 700);
        c.show();
        QCOMPARE(c.size(), QSize(840, 294));
        QCOMPARE(c.BtnOK->font().pixelSize(), 28);
        QCOMPARE(c.pos(), screenCentreFor(*f.form, c.size()));
        QVERIFY(f.messages.isEmpty());
    }

    void textDialogsAreLaidOutFromTheMainWindow() {
        MainFormFixture f;
        QVERIFY(startWithDialogs(f));
        f.form->resize(1000, 700);
        f.form->move(37, 11); // the dialogs centre on the screen, not on the window
        TAbout &about = *f.form->About;
        about.show();
        QCOMPARE(about.size(), QSize(600, 252));
        QCOMPARE(about.pos(), screenCentreFor(*f.form, about.size()));
        QCOMPARE(about.CloseAboutBtn->geometry(), QRect(555, 21, 18, 18));
        // 480 wide, 312 high, centre (300, 105.84); the shadow 288 high at (301.8, 104.58).
        QCOMPARE(about.CreditsTxt->geometry(), QRect(60, -50, 480, 312));
        QCOMPARE(about.CreditsTxtB->geometry(), QRect(61, -39, 480, 288));
        QCOMPARE(about.OKAboutBtn->geometry(), QRect(264, 203, 72, 21));
        QCOMPARE(about.CreditsTxt->font().pixelSize(), 18);
        QCOMPARE(about.OKAboutBtn->font().pixelSize(), 20);
        QVERIFY(!about.Background->picture().isNull());
        QVERIFY(!about.CloseAboutBtn->picture().isNull());

        TMessageForm &message = *f.form->MessageForm;
        message.show();
        QCOMPARE(message.size(), QSize(600, 210));
        QCOMPARE(message.pos(), screenCentreFor(*f.form, message.size()));
        QCOMPARE(message.CreditsTxt->geometry(), QRect(60, -57, 480, 288));
        QCOMPARE(message.OKAboutBtn->geometry(), QRect(264, 171, 72, 21));
        for (const char *name : {"Background", "CreditsTxt", "CreditsTxtB", "CloseAboutBtn", "OKAboutBtn"}) {
            QVERIFY2(message.findChild<QWidget *>(QString::fromLatin1(name)), name);
            QVERIFY2(about.findChild<QWidget *>(QString::fromLatin1(name)), name);
        }
    }

    void textDialogsCloseOnEscEnterCloseAndOkWithTheClick() {
        MainFormFixture f;
        QVERIFY(startWithDialogs(f));
        for (TextDialog *dialog : std::initializer_list<TextDialog *>{f.form->About, f.form->MessageForm}) {
            const std::function<void()> closers[] = {
                [&] { QTest::keyClick(dialog, Qt::Key_Escape); },
                [&] { QTest::keyClick(dialog, Qt::Key_Return); },
                [&] { QTest::keyClick(dialog, Qt::Key_Enter, Qt::KeypadModifier); },
                [&] { QTest::mouseClick(dialog->CloseAboutBtn, Qt::LeftButton); },
                [&] { QTest::mouseClick(dialog->OKAboutBtn, Qt::LeftButton); },
            };
            for (const auto &close : closers) {
                dialog->show();
                const int before = f.sounds->playCount();
                QTest::keyClick(dialog, Qt::Key_A);
                QVERIFY(dialog->isVisible());
                close();
                QVERIFY(!dialog->isVisible());
                QCOMPARE(f.sounds->playCount(), before + 1);
                QCOMPARE(f.sounds->lastPlayed(), u"SndBtnClick"_s);
            }
            // With sounds off the dialogs stay quiet.
            f.form->SoundsOn = false;
            dialog->show();
            const int before = f.sounds->playCount();
            QTest::keyClick(dialog, Qt::Key_Escape);
            QVERIFY(!dialog->isVisible());
            QCOMPARE(f.sounds->playCount(), before);
            f.form->SoundsOn = true;
        }
    }

    void settingsDialogKeysAndButtons() {
        MainFormFixture f;
        QVERIFY(startWithDialogs(f));
        TConfig &c = *f.form->Config;
        c.show();
        const int before = f.sounds->playCount();
        // Enter neither stores nor closes.
        c.CheckBoxSounds->setChecked(false);
        QTest::keyClick(&c, Qt::Key_Return);
        QVERIFY(c.isVisible());
        QVERIFY(f.form->SoundsOn);
        QTest::keyClick(&c, Qt::Key_Escape);
        QVERIFY(!c.isVisible());
        QVERIFY(f.form->SoundsOn);
        QCOMPARE(f.sounds->playCount(), before + 1);

        for (QWidget *cancel : std::initializer_list<QWidget *>{c.BtnCancel, c.BtnClose}) {
            c.show();
            QVERIFY(c.CheckBoxSounds->isChecked()); // reset from the setting
            c.CheckBoxSounds->setChecked(false);
            QTest::mouseClick(cancel, Qt::LeftButton);
            QVERIFY(!c.isVisible());
            QVERIFY(f.form->SoundsOn);
        }
        QCOMPARE(f.sounds->playCount(), before + 3);
        QCOMPARE(f.sounds->lastPlayed(), u"SndBtnClick"_s);
    }

    void soundsSettingRoundTrip() {
        MainFormFixture f;
        QVERIFY(startWithDialogs(f));
        TMainForm &w = *f.form;
        TConfig &c = *w.Config;
        QVERIFY(w.SoundsOn);

        // Off and OK: the OK itself is already silent, and the file says so at once.
        c.show();
        int before = f.sounds->playCount();
        QTest::mouseClick(c.CheckBoxSounds, Qt::LeftButton);
        QVERIFY(!c.CheckBoxSounds->isChecked());
        QTest::mouseClick(c.BtnOK, Qt::LeftButton);
        QVERIFY(!c.isVisible());
        QVERIFY(!w.SoundsOn);
        QCOMPARE(f.sounds->playCount(), before);
        QVERIFY(!storedSoundsOn(f));
        QCOMPARE(w.ConfigGrid.cell(0, 1), u"No"_s);

        // Reopened it shows the stored state; a click elsewhere stays silent.
        c.show();
        QVERIFY(!c.CheckBoxSounds->isChecked());
        QTest::keyClick(&c, Qt::Key_Escape);
        w.PlayClick();
        QCOMPARE(f.sounds->playCount(), before);

        // On and OK: the OK click is heard.
        c.show();
        c.CheckBoxSounds->setChecked(true);
        QTest::mouseClick(c.BtnOK, Qt::LeftButton);
        QVERIFY(w.SoundsOn);
        QCOMPARE(f.sounds->playCount(), before + 1);
        QVERIFY(storedSoundsOn(f));

        // Off again, then the exit sequence writes the same setting.
        c.show();
        c.CheckBoxSounds->setChecked(false);
        QTest::mouseClick(c.BtnOK, Qt::LeftButton);
        QVERIFY(QFile::remove(f.path(u"config.dat"_s)));
        w.BtnExitClick();
        QVERIFY(w.Exiting());
        QVERIFY(QFileInfo::exists(f.path(u"config.dat"_s)));
        QVERIFY(!storedSoundsOn(f));
    }

    void messageAndCreditsTexts() {
        MainFormFixture f;
        QVERIFY(startWithDialogs(f));
        TMainForm &w = *f.form;

        // The caller's contract: text stored, error cue, modal dialog until closed.
        const QByteArray text = "Not enough disk space: 512 MB needed, 100 MB free. \xC3\xA9";
        bool shown = false;
        QString shownText;
        QString shownShadow;
        QString cueAtOpening;
        QTimer::singleShot(0, &w, [&] {
            shown = w.MessageForm->isVisible();
            shownText = w.MessageForm->CreditsTxt->text();
            shownShadow = w.MessageForm->CreditsTxtB->text();
            cueAtOpening = f.sounds->lastPlayed();
            QTest::keyClick(w.MessageForm, Qt::Key_Return);
        });
        w.ShowMessageForm(text);
        QVERIFY(shown);
        QCOMPARE(shownText, QString::fromLocal8Bit(text));
        QCOMPARE(shownShadow, QString::fromLocal8Bit(text));
        QCOMPARE(cueAtOpening, u"SndError"_s);
        QVERIFY(!w.MessageForm->isVisible());
        QCOMPARE(w.MessageText, text);
        QCOMPARE(f.sounds->lastPlayed(), u"SndBtnClick"_s);

        // An empty message opens and closes all the same.
        w.MessageText.clear();
        w.MessageForm->show();
        QCOMPARE(w.MessageForm->CreditsTxt->text(), QString());
        QTest::mouseClick(w.MessageForm->OKAboutBtn, Qt::LeftButton);
        QVERIFY(!w.MessageForm->isVisible());

        // The credits carry the version label current at the opening.
        w.VersionLabel = "v1.2.3.4";
        w.About->show();
        QString credits = w.About->CreditsTxt->text();
        QVERIFY(credits.startsWith(u"Credits:"_s));
        QVERIFY2(credits.contains(u"Quillbarrow\u00AE v1.2.3.4\n"_s), qPrintable(credits));
        QCOMPARE(w.About->CreditsTxtB->text(), credits);
        w.About->hide();
        w.VersionLabel = "v2.0.0.0";
        w.About->show();
        QVERIFY(w.About->CreditsTxt->text().contains(u"Quillbarrow\u00AE v2.0.0.0\n"_s));
    }

    void openersShowTheDialogsModally() {
        MainFormFixture f;
        QVERIFY(startWithDialogs(f));
        TMainForm &w = *f.form;
        w.show();
        for (QDialog *dialog : std::initializer_list<QDialog *>{w.Config, w.About}) {
            bool modal = false;
            const int before = f.sounds->playCount();
            QTimer::singleShot(0, &w, [&] {
                modal = dialog->isVisible() && QApplication::activeModalWidget() == dialog;
                QTest::keyClick(dialog, Qt::Key_Escape);
            });
            if (dialog == w.Config)
                QTest::mouseClick(w.BtnSettings, Qt::LeftButton);
            else
                QTest::mouseClick(w.TXTQuillbarrow, Qt::LeftButton);
            QVERIFY(modal);
            QVERIFY(!dialog->isVisible());
            // The opener's click and the dialog's.
            QCOMPARE(f.sounds->playCount(), before + 2);
        }
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
