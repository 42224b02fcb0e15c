// Start-up, panels, layout and dialogs of the real main window.
#include "TestWindow.h"
#include "core/LayoutRule.h"
#include "core/SavedLoginTable.h"
#include "core/SettingsTable.h"
#include "core/TableFile.h"
#include "core/WindowMetrics.h"
#include "gui/app/LauncherForms.h"
#include "gui/controls/ClickLabel.h"
#include "gui/controls/PictureControl.h"
#include "gui/dialogs/AboutDialog.h"
#include "gui/dialogs/ConfigDialog.h"
#include "gui/dialogs/MessageDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QPoint screenCentreFor(const QWidget &window, QSize size) {
    const QRect area = window.screen()->geometry();
    return {area.x() + int(area.width() * 0.5) - size.width() / 2,
            area.y() + int(area.height() * 0.5) - size.height() / 2};
}

bool storedSoundsOn(const TestWindow &t) {
    StringGrid grid;
    return loadSettingsTable(grid, t.folder.path()).soundsOn;
}

// The window with its dialogs, made as the launcher makes them: after the window.
bool startWithDialogs(TestWindow &t) {
    if (!t.start())
        return false;
    t.form->About = new TAbout(*t.form);
    t.form->Config = new TConfig(*t.form);
    t.form->MessageForm = new TMessageForm(*t.form);
    return true;
}

} // namespace

// One window for the whole class, started as the launcher starts it; the cases that need another
// folder or start-up make their own.
class MainWindowTest : public QObject {
    Q_OBJECT

    TestWindow t;

private Q_SLOTS:
    void initTestCase() { QVERIFY(startWithDialogs(t)); }

    void startUpShowsOnlyTheLoginForm() {
        TMainForm &w = *t.form;
        QVERIFY(!w.LogInForm->isHidden());
        for (QWidget *hidden : Widgets{w.PanelInfo, w.ADS, w.LogOutBtn, w.PanelHome, w.PanelStore,
                                       w.PanelGames, w.DLInfo, w.ChatPanel, w.BtnUpdate})
            QVERIFY2(hidden->isHidden(), qPrintable(hidden->objectName()));
        QVERIFY(!w.NewsTimer->isActive() && !w.ADSTimer->isActive() && !w.AppEndTimer->isActive());
        // The web engine and a software GL stack are expensive: neither is even loaded before the
        // first ad page.
        QVERIFY(!w.ADSBrowser);
        QFile maps(u"/proc/self/maps"_s);
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        QVERIFY(!mapped.contains("libQt6WebEngine") && !mapped.contains("_dri.so"));
        QCOMPARE(w.LoginUrl, "https://service.invalid:8443/game/login.server.php"_ba);
        QCOMPARE(w.windowTitle(), u"Quillbarrow   v1.0.0.8"_s);

        QCOMPARE(w.Pozadina->picture().toImage(), t.picture("LogInBckg"));
        // A first start creates both tables.
        QVERIFY(QFileInfo::exists(t.path(u"Quillbarrow.dat"_s)) &&
                QFileInfo::exists(t.path(u"config.dat"_s)));
        QVERIFY(t.messages.isEmpty());
        // The first navigation at start-up already clicked.
        QCOMPARE(t.sounds->playCount(), 1);
    }

    void aMissingSkinStopsStartUp() {
        TestWindow fresh;
        LauncherForms forms;
        const std::optional<QString> error = forms.create(fresh.dependencies());
        QVERIFY2(error && error->contains(u"BtnHome"_s), qPrintable(error.value_or(QString())));
        QVERIFY(!forms.mainForm()->EngineTimer->isActive());
        QVERIFY(!forms.mainForm()->About);
        // Stopped before the tables were read.
        QVERIFY(!QFileInfo::exists(fresh.path(u"Quillbarrow.dat"_s)));
    }

    // A saved login arms the next one; a damaged settings table is reported and kept.
    void tablesOfAnEarlierRun() {
        TestWindow fresh;
        StringGrid grid = defaultSavedLoginTable();
        QVERIFY(saveSavedLoginTable(grid, fresh.folder.path(), true, "mira@example.org", "s3cret pass").ok);
        QFile damaged(fresh.path(u"config.dat"_s));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("\x05\x00\x00\x00\xff\xff", 6);
        damaged.close();
        QVERIFY(fresh.start());
        TMainForm &w = *fresh.form;
        QCOMPARE(fresh.messages, QStringList{TableReadError.toString()});
        QCOMPARE(QFileInfo(damaged).size(), 6);
        QVERIFY(w.SoundsOn);

        QVERIFY(w.AutoLoginArmed && !w.ShowPass->isEnabled() && w.CheckBoxSave->isChecked());
        QCOMPARE(w.EMailEdit->text(), u"mira@example.org"_s);
        QCOMPARE(w.PasswordEdit->text(), u"s3cret pass"_s);
        w.AutoLoginArmed = false;
        fresh.navigate(0);
        QVERIFY(w.ShowPass->isEnabled());
    }

    void menuShowsOnePanelAtATime() {
        TMainForm &w = *t.form;
        w.NewsIndex = 1;
        const QList<std::pair<PictureControl *, QWidget *>> menu{{w.BtnMyGames, w.PanelMyGames},
                                                                 {w.BtnShop, w.PanelStore},
                                                                 {w.BtnNews, w.PanelNews},
                                                                 {w.BtnSocial, w.PanelSocial},
                                                                 {w.BtnHome, w.PanelHome}};
        for (const auto &[button, panel] : menu) {
            QTest::mouseClick(button, Qt::LeftButton);
            for (const auto &[other, otherPanel] : menu)
                QVERIFY2(otherPanel->isHidden() == (otherPanel != panel),
                         qPrintable(otherPanel->objectName()));
            QVERIFY(w.LogInForm->isHidden() && !w.PanelInfo->isHidden() && !w.ADS->isHidden());
            QVERIFY(w.ADSTimer->isActive());
            // Only home runs the news rotation.
            QCOMPARE(w.NewsTimer->isActive(), panel == w.PanelHome);
        }
        QCOMPARE(w.News->picture().toImage(), t.picture("News1"));

        // The download bar stays on top while a job runs.
        w.JobBusy = true;
        QTest::mouseClick(w.BtnShop, Qt::LeftButton);
        QVERIFY(!w.DLInfo->isHidden());
        QCOMPARE(w.children().last(), static_cast<QObject *>(w.DLInfo));
        w.JobBusy = false;

        t.navigate(0);
        for (QWidget *hidden : Widgets{w.PanelInfo, w.ADS, w.PanelStore, w.DLInfo})
            QVERIFY2(hidden->isHidden(), qPrintable(hidden->objectName()));
        QVERIFY(!w.LogInForm->isHidden() && !w.ADSTimer->isActive());

        // A missing news picture is reported once the panel is shown.
        w.NewsIndex = 0;
        t.navigate(1);
        QCOMPARE(t.messages.size(), 1);
        QVERIFY2(t.messages[0].contains(u"News0"_s), qPrintable(t.messages[0]));
        QVERIFY(!w.PanelHome->isHidden());
    }

    // The window takes the size and fonts the layout gives the screen, and on every panel, with the
    // chat and the download bar out, nothing visible leaves the window.
    void layoutReachesTheControls() {
        TMainForm &w = *t.form;
        const WindowMetrics metrics = mainWindowMetrics(w.screen()->geometry().width());
        QCOMPARE(w.size(), QSize(metrics.width, metrics.height));
        QCOMPARE(w.BaseFontSize, metrics.fonts.BaseFontSize);
        QCOMPARE(w.TextUser->font().pixelSize(), int(metrics.fonts.BaseFontSize));
        QCOMPARE(w.EMailEdit->font().pixelSize(), int(metrics.fonts.SmallFontSize));

        w.JobBusy = true;
        w.BtnUpdate->show();
        w.ChatPanel->show();
        w.ChatEdit->show();
        for (const quint16 panel : {0, 1, 2, 3, 4, 5, 10}) {
            t.navigate(panel);
            for (const Layout layout : {Layout::Main, Layout::GameDetail, Layout::Chat})
                for (const ElementRule &rule : layoutRules(layout)) {
                    const QString name = QString::fromUtf8(rule.name.data(), qsizetype(rule.name.size()));
                    const QWidget *control = w.findChild<const QWidget *>(name);
                    if (!control || !control->isVisibleTo(&w))
                        continue;
                    const QRect place(control->mapTo(&w, QPoint()), control->size());
                    QVERIFY2(!place.isEmpty() && w.rect().contains(place),
                             qPrintable(name + u" on panel "_s + QString::number(panel)));
                }
        }
    }

    void dialogsAreLaidOutFromTheMainWindow() {
        TMainForm &w = *t.form;
        w.resize(1000, 700);
        w.move(37, 11); // the dialogs centre on the screen, not on the window
        TConfig &c = *w.Config;
        c.show();
        QCOMPARE(c.size(), QSize(600, 210));
        QCOMPARE(c.pos(), screenCentreFor(w, c.size()));
        QCOMPARE(c.BtnOK->geometry(), QRect(162, 171, 72, 21));
        QVERIFY(!c.Background->picture().isNull());
        c.hide();
        w.About->show();
        QCOMPARE(w.About->size(), QSize(600, 252));
        QCOMPARE(w.About->pos(), screenCentreFor(w, w.About->size()));
        w.About->hide();

        // A resized window shows at the next opening.
        w.resize(1400, 700);
        c.show();
        QCOMPARE(c.size(), QSize(840, 294));
        QCOMPARE(c.BtnOK->font().pixelSize(), 28);
    }

    void textDialogsCloseWithTheClick() {
        for (TextDialog *dialog : std::initializer_list<TextDialog *>{t.form->About, t.form->MessageForm}) {
            const std::function<void()> closers[] = {
                [&] { QTest::keyClick(dialog, Qt::Key_Escape); },
                [&] { QTest::mouseClick(dialog->CloseAboutBtn, Qt::LeftButton); },
                [&] { QTest::mouseClick(dialog->OKAboutBtn, Qt::LeftButton); },
            };
            for (const auto &close : closers) {
                dialog->show();
                const int before = t.sounds->playCount();
                QTest::keyClick(dialog, Qt::Key_A);
                QVERIFY(dialog->isVisible());
                close();
                QVERIFY(!dialog->isVisible());
                QCOMPARE(t.sounds->playCount(), before + 1);
            }
        }
        // The credits carry the version label current at the opening.
        TMainForm &w = *t.form;
        w.VersionLabel = "v2.0.0.0";
        w.About->show();
        QVERIFY(w.About->CreditsTxt->text().contains(u"Quillbarrow\u00AE v2.0.0.0\n"_s));
        QCOMPARE(w.About->CreditsTxtB->text(), w.About->CreditsTxt->text());
    }

    void settingsDialogStoresTheSoundsSetting() {
        TMainForm &w = *t.form;
        TConfig &c = *w.Config;
        // Enter neither stores nor closes; Cancel keeps the setting.
        c.show();
        c.CheckBoxSounds->setChecked(false);
        QTest::keyClick(&c, Qt::Key_Return);
        QVERIFY(c.isVisible());
        QTest::mouseClick(c.BtnCancel, Qt::LeftButton);
        QVERIFY(!c.isVisible() && w.SoundsOn);

        // Off and OK: the OK itself is already silent, and the file says so at once.
        c.show();
        QVERIFY(c.CheckBoxSounds->isChecked()); // reset from the setting
        const int before = t.sounds->playCount();
        QTest::mouseClick(c.CheckBoxSounds, Qt::LeftButton);
        QTest::mouseClick(c.BtnOK, Qt::LeftButton);
        QVERIFY(!c.isVisible() && !w.SoundsOn);
        QCOMPARE(t.sounds->playCount(), before);
        QVERIFY(!storedSoundsOn(t));
        c.show();
        QVERIFY(!c.CheckBoxSounds->isChecked());
        c.CheckBoxSounds->setChecked(true);
        QTest::mouseClick(c.BtnOK, Qt::LeftButton);
        QCOMPARE(t.sounds->playCount(), before + 1);
        QVERIFY(storedSoundsOn(t));
    }

    void openersShowTheDialogsModally() {
        TMainForm &w = *t.form;
        w.show();
        for (QDialog *dialog : std::initializer_list<QDialog *>{w.Config, w.About}) {
            bool modal = false;
            QTimer::singleShot(0, &w, [&] {
                modal = dialog->isVisible() && QApplication::activeModalWidget() == dialog;
                QTest::keyClick(dialog, Qt::Key_Escape);
            });
            QTest::mouseClick(dialog == w.Config ? static_cast<QWidget *>(w.BtnSettings)
                                                 : static_cast<QWidget *>(w.TXTQuillbarrow),
                              Qt::LeftButton);
            QVERIFY(modal);
            QVERIFY(!dialog->isVisible());
        }
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
