#include "MainFormFixture.h"
#include "core/SavedLoginTable.h"
#include "core/SkinNames.h"
#include "core/TableFile.h"
#include "gui/app/LauncherForms.h"
#include "gui/controls/PictureControl.h"
#include "gui/dialogs/AboutDialog.h"
#include "gui/dialogs/ConfigDialog.h"
#include "gui/dialogs/MessageDialog.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>

using namespace Qt::StringLiterals;

// Start-up, panel navigation, skin and cues of the real main window.
class MainFormTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startUpShowsOnlyTheLoginForm() {
        MainFormFixture f;
        QVERIFY(f.copyBundles());
        QVERIFY(!f.start());
        TMainForm &w = *f.form;

        QVERIFY(!w.LogInForm->isHidden());
        const QList<QWidget *> hiddenItems{
            w.PanelInfo, w.ADS,         w.LogOutBtn,  w.TXTEMail, w.PanelHome, w.PanelMyGames, w.PanelStore,
            w.PanelNews, w.PanelSocial, w.PanelGames, w.DLInfo,   w.ChatPanel, w.ChatEdit,     w.BtnUpdate};
        for (QWidget *hidden : hiddenItems)
            QVERIFY2(hidden->isHidden(), qPrintable(hidden->objectName()));
        QVERIFY(!w.NewsTimer->isActive());
        QVERIFY(!w.ADSTimer->isActive());
        QVERIFY(w.EngineTimer->isActive());
        for (QTimer *stopped : {w.AppEndTimer, w.CheckServerTO, w.LoginTO, w.ChatTO, w.ChatPanelTimer,
                                w.InstallTimer, w.DeleteTimer})
            QVERIFY2(!stopped->isActive(), qPrintable(stopped->objectName()));

        // The web engine is expensive: nothing of it exists before the first ad page.
        QVERIFY(!w.ADSBrowser);
        QVERIFY(!w.findChild<QWebEngineView *>());

        QCOMPARE(w.LoginId, QByteArray("0"));
        QCOMPARE(w.LoginUrl, QByteArray("https://service.invalid:8443/game/login.server.php"));
        QCOMPARE(w.CheckUrl, QByteArray("https://service.invalid:8443/game/check.server.php"));
        QCOMPARE(w.ChatUrl, QByteArray("https://service.invalid:8443/game/chat.php"));
        QCOMPARE(w.DownloadBaseUrl, QByteArray("https://service.invalid:8443/download/"));
        QVERIFY(w.ServerCheckIdle);
        QVERIFY(w.DownloadIdle);
        QCOMPARE(w.JobStep, quint16(1));

        // No launcher executable in the folder: no version to show.
        QCOMPARE(w.windowTitle(), QStringLiteral("Quillbarrow   v"));
        // The login background and every start-up picture came from the bundle.
        QCOMPARE(w.Pozadina->picture().toImage(), bundlePicture(w, "LogInBckg"));
        for (const SkinPicture &entry : StartupPictures) {
            const QString component =
                QString::fromLatin1(entry.Component.data(), qsizetype(entry.Component.size()));
            const auto *target = w.findChild<PictureControl *>(component);
            QVERIFY2(target, qPrintable(component));
            const QImage expected =
                bundlePicture(w, QByteArray(entry.Resource.data(), qsizetype(entry.Resource.size())));
            QVERIFY(!expected.isNull());
            QVERIFY2(target->picture().toImage() == expected, qPrintable(component));
        }

        // A first start creates both tables with their defaults.
        QCOMPARE(QFileInfo(f.path(QStringLiteral("Quillbarrow.dat"))).size(), 22);
        QCOMPARE(QFileInfo(f.path(QStringLiteral("config.dat"))).size(), 506);
        QVERIFY(w.SoundsOn);
        QVERIFY(!w.AutoLoginArmed);
        QVERIFY(f.messages.isEmpty());
    }

    void captionCarriesTheLauncherVersion() {
        MainFormFixture f;
        QVERIFY(QFile::copy(QStringLiteral(LAUNCHER_EXE), f.path(QStringLiteral("Quillbarrow.exe"))));
        QVERIFY(f.startWithSkin());
        QCOMPARE(f.form->LauncherVersion, QByteArray("1.0.0.8"));
        QCOMPARE(f.form->VersionLabel, QByteArray("v1.0.0.8"));
        QCOMPARE(f.form->windowTitle(), QStringLiteral("Quillbarrow   v1.0.0.8"));
    }

    void formsAreCreatedAfterTheMainWindow() {
        MainFormFixture f;
        QVERIFY(f.copyBundles());
        LauncherForms forms;
        QVERIFY(!forms.create(f.dependencies()));
        TMainForm *w = forms.mainForm();
        QVERIFY(w);
        QVERIFY(w->About && w->Config && w->MessageForm);
        QCOMPARE(w->About->objectName(), QStringLiteral("About"));
        QCOMPARE(w->Config->objectName(), QStringLiteral("Config"));
        QCOMPARE(w->MessageForm->objectName(), QStringLiteral("MessageForm"));
        // Created hidden, in order, owned by the main window.
        const QObjectList children = w->children();
        const auto at = [&](QObject *o) { return children.indexOf(o); };
        QVERIFY(at(w->About) >= 0 && at(w->About) < at(w->Config) && at(w->Config) < at(w->MessageForm));
        QVERIFY(w->About->isHidden() && w->Config->isHidden() && w->MessageForm->isHidden());
        QVERIFY(w->EngineTimer->isActive());
    }

    void aMissingSkinStopsStartUp() {
        MainFormFixture f;
        LauncherForms forms;
        const std::optional<QString> error = forms.create(f.dependencies());
        QVERIFY(error);
        QVERIFY2(error->contains(QStringLiteral("BtnHome")), qPrintable(*error));
        QVERIFY(!forms.mainForm()->EngineTimer->isActive());
        QVERIFY(!forms.mainForm()->About);
        // Start-up stopped before the tables were read.
        QVERIFY(!QFileInfo::exists(f.path(QStringLiteral("Quillbarrow.dat"))));
    }

    void aDamagedTableIsReportedAndKept() {
        MainFormFixture f;
        QFile damaged(f.path(QStringLiteral("config.dat")));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("\x05\x00\x00\x00\xff\xff", 6);
        damaged.close();
        QVERIFY(f.startWithSkin());
        QCOMPARE(f.messages, QStringList{TableReadError.toString()});
        QCOMPARE(QFileInfo(damaged).size(), 6);
        QVERIFY(f.form->SoundsOn);
    }

    void navigationAppliesTheVisibilityTable_data() {
        QTest::addColumn<quint16>("panel");
        QTest::addColumn<quint16>("from");
        // News timer, ADS timer, TXTEMail, PanelInfo, PanelHome, PanelMyGames, PanelStore, PanelGames,
        // LogOutBtn, PanelNews, PanelSocial, ADS, LogInForm.
        QTest::addColumn<QString>("row");
        const QList<std::pair<quint16, QString>> rows{
            {0, QStringLiteral("0000000000001")}, {1, QStringLiteral("1111100010010")},
            {2, QStringLiteral("0111010010010")}, {3, QStringLiteral("0111001010010")},
            {4, QStringLiteral("0111000011010")}, {5, QStringLiteral("0111000010110")},
            {10, QStringLiteral("0111000110010")}};
        for (const auto &[panel, row] : rows) {
            for (const quint16 from : {quint16(0), quint16(1), quint16(10)})
                QTest::addRow("%d from %d", panel, from) << panel << from << row;
        }
    }

    void navigationAppliesTheVisibilityTable() {
        QFETCH(quint16, panel);
        QFETCH(quint16, from);
        QFETCH(QString, row);
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        w.NewsIndex = 1;
        f.navigate(from);
        f.navigate(panel);
        QVERIFY(f.messages.isEmpty());

        const QList<QWidget *> items{w.TXTEMail,    w.PanelInfo,  w.PanelHome, w.PanelMyGames,
                                     w.PanelStore,  w.PanelGames, w.LogOutBtn, w.PanelNews,
                                     w.PanelSocial, w.ADS,        w.LogInForm};
        QCOMPARE(w.NewsTimer->isActive(), row[0] == u'1');
        QCOMPARE(w.ADSTimer->isActive(), row[1] == u'1');
        for (int i = 0; i < items.size(); ++i)
            QVERIFY2(items[i]->isHidden() == (row[i + 2] == u'0'), qPrintable(items[i]->objectName()));
        QCOMPARE(w.CurrentPanel, panel);
    }

    void menuButtonsNavigate() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        w.NewsIndex = 1;
        const QList<std::pair<PictureControl *, QWidget *>> menu{{w.BtnMyGames, w.PanelMyGames},
                                                                 {w.BtnShop, w.PanelStore},
                                                                 {w.BtnNews, w.PanelNews},
                                                                 {w.BtnSocial, w.PanelSocial},
                                                                 {w.BtnHome, w.PanelHome}};
        for (const auto &[button, panel] : menu) {
            QTest::mouseClick(button, Qt::LeftButton);
            QVERIFY2(!panel->isHidden(), qPrintable(panel->objectName()));
            QVERIFY(w.LogInForm->isHidden());
        }
        QCOMPARE(w.CurrentPanel, quint16(1));
    }

    void onlyHomeRunsTheNewsRotation() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        w.NewsIndex = 1;
        f.navigate(1);
        QVERIFY(w.NewsTimer->isActive());
        QCOMPARE(w.News->picture().toImage(), bundlePicture(w, "News1"));
        f.navigate(3);
        QVERIFY(!w.NewsTimer->isActive());
        // Returning shows the current picture at once.
        w.NewsIndex = 2;
        f.navigate(1);
        QVERIFY(w.NewsTimer->isActive());
        QCOMPARE(w.News->picture().toImage(), bundlePicture(w, "News2"));
        QVERIFY(w.News->picture().toImage() != bundlePicture(w, "News1"));
    }

    void aMissingNewsPictureIsReportedAfterTheVisibility() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        w.NewsIndex = 0;
        f.navigate(1);
        QCOMPARE(f.messages.size(), 1);
        QVERIFY2(f.messages[0].contains(QStringLiteral("News0")), qPrintable(f.messages[0]));
        QVERIFY(!w.PanelHome->isHidden());
        QVERIFY(w.LogInForm->isHidden());
    }

    void showPasswordIsDisabledWhileCredentialsAreArmed_data() {
        QTest::addColumn<bool>("keep");
        QTest::addColumn<QByteArray>("email");
        QTest::addColumn<bool>("armed");
        QTest::newRow("saved login") << true << QByteArray("mira@example.org") << true;
        QTest::newRow("saved flag, no e-mail") << true << QByteArray() << false;
        QTest::newRow("not saved") << false << QByteArray("mira@example.org") << false;
    }

    void showPasswordIsDisabledWhileCredentialsAreArmed() {
        QFETCH(bool, keep);
        QFETCH(QByteArray, email);
        QFETCH(bool, armed);
        MainFormFixture f;
        StringGrid grid = defaultSavedLoginTable();
        QVERIFY(saveSavedLoginTable(grid, f.folder.path(), keep, email, "s3cret pass").ok);
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        QCOMPARE(w.AutoLoginArmed, armed);
        QCOMPARE(w.ShowPass->isEnabled(), !armed);
        QCOMPARE(w.CheckBoxSave->isChecked(), keep);
        if (armed) {
            QCOMPARE(w.EMailEdit->text(), QString::fromUtf8(email));
            QCOMPARE(w.PasswordEdit->text(), QStringLiteral("s3cret pass"));
        }
        // The same holds after a later return to the login panel.
        w.AutoLoginArmed = !armed;
        f.navigate(0);
        QCOMPARE(w.ShowPass->isEnabled(), armed);
    }

    void theDownloadBarStaysOnTopWhileAJobRuns() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        w.NewsIndex = 1;
        w.JobBusy = true;
        for (const quint16 panel : {1, 2, 3, 4, 5, 10, 0}) {
            f.navigate(panel);
            QVERIFY(!w.DLInfo->isHidden());
            QCOMPARE(w.children().last(), static_cast<QObject *>(w.DLInfo));
        }
        w.JobBusy = false;
        f.navigate(3);
        QVERIFY(w.DLInfo->isHidden());
    }

    void cuesFollowTheSoundsSetting() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        QVERIFY(f.sounds);
        // The first navigation at start-up already clicked.
        QCOMPARE(f.sounds->playCount(), 1);
        QCOMPARE(f.sounds->lastPlayed(), QStringLiteral("SndBtnClick"));

        w.SoundsOn = false;
        w.NewsIndex = 1;
        QTest::mouseClick(w.BtnShop, Qt::LeftButton);
        f.navigate(1);
        w.PlayBack();
        w.PlayMessage();
        w.PlayWhisper();
        w.PlayError();
        w.PlayStore();
        w.BtnMinimizeClick();
        w.BtnExitClick();
        QCOMPARE(f.sounds->playCount(), 1);

        // Turned on again: the very next click sounds.
        w.SoundsOn = true;
        w.PlayClick();
        QCOMPARE(f.sounds->playCount(), 2);
        QCOMPARE(f.sounds->lastPlayed(), QStringLiteral("SndBtnClick"));
    }

    void everyCueHasItsSound() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        const QList<std::pair<void (TMainForm::*)(), QString>> cues{
            {&TMainForm::PlayClick, u"SndBtnClick"_s},
            {&TMainForm::PlayBack, u"SndBtnClickBack"_s},
            {&TMainForm::PlayExit, u"SndBtnClickExit"_s},
            {&TMainForm::PlayMessage, u"SndMessage"_s},
            {&TMainForm::PlayWhisper, u"SndMessageWhisper"_s},
            {&TMainForm::PlayError, u"SndError"_s},
            {&TMainForm::PlayStore, u"SndStore"_s}};
        for (const auto &[play, name] : cues) {
            (w.*play)();
            QCOMPARE(f.sounds->lastPlayed(), name);
        }
    }
};

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
