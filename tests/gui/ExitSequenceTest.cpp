#include "MainFormFixture.h"
#include "core/SavedLoginTable.h"
#include "core/SettingsTable.h"
#include "gui/controls/PictureControl.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

namespace {

int linesContaining(const QPlainTextEdit *memo, const QString &text) {
    return int(memo->toPlainText().split(u'\n').filter(text).size());
}

} // namespace

// The window's keys and the way out: the exit sequence, run once, and the final shutdown.
class ExitSequenceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keysOfTheChatInput() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        w.NewsIndex = 1;
        f.navigate(1);
        w.ChatHistory[0] = "half typed";
        w.ChatHistoryPos = 3;
        w.ChatPanelTimer->start();
        QTest::keyClick(&w, Qt::Key_Return);
        QVERIFY(!w.ChatPanel->isHidden());
        QVERIFY(!w.ChatEdit->isHidden());
        QCOMPARE(w.ChatPanel->tag(), 1);
        QVERIFY(!w.ChatPanelTimer->isActive());
        QVERIFY(w.ChatHistory[0].isEmpty());
        QCOMPARE(w.ChatHistoryPos, quint16(0));

        QTest::keyClicks(w.ChatEdit, QStringLiteral("/join"));
        QTest::keyClick(w.ChatEdit, Qt::Key_Escape);
        QVERIFY(w.ChatEdit->text().isEmpty());

        // With the chat paused by a running game, Enter does not open the input.
        w.ChatPanel->setTag(0);
        w.ChatPanel->hide();
        w.ChatPollAllowed = false;
        QTest::keyClick(&w, Qt::Key_Enter);
        QVERIFY(w.ChatPanel->isHidden());
    }

    void altF9TogglesTheFirstGameEvenBeforeLogin() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        const bool listed = w.Library.ListedInShop[0];
        QTest::keyClick(w.EMailEdit, Qt::Key_F9, Qt::AltModifier);
        QCOMPARE(w.Library.ListedInShop[0], !listed);
        QCOMPARE(w.CurrentPanel, quint16(3));
        QVERIFY(!w.PanelStore->isHidden());
        QVERIFY(w.LogInForm->isHidden());
        QTest::keyClick(&w, Qt::Key_F9, Qt::AltModifier);
        QCOMPARE(w.Library.ListedInShop[0], listed);
    }

    void theExitSequenceRunsOnceAndEndsTheProgram() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        w.NewsIndex = 1;
        f.navigate(1);
        w.EngineTimer->start();
        w.UserName = "Mira";
        w.CheckBoxSave->setChecked(true);
        w.AccountEmail = "mira@example.org";
        w.AccountPassword = "pa ss~word";
        w.SoundsOn = false;

        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(&w, Qt::Key_F4, Qt::AltModifier);
        QVERIFY(w.Exiting());
        QCOMPARE(linesContaining(w.ChatAll, QStringLiteral("Bye bye Mira...")), 1);
        for (QTimer *stopped : {w.EngineTimer, w.ADSTimer, w.NewsTimer, w.CheckServerTO, w.ChatTO})
            QVERIFY2(!stopped->isActive(), qPrintable(stopped->objectName()));
        QVERIFY(!w.ServerCheckIdle);
        QVERIFY(!w.ChatIdle);
        QVERIFY(w.AppEndTimer->isActive());

        // Both tables are on disk already.
        StringGrid settings;
        QVERIFY(!loadSettingsTable(settings, f.folder.path()).soundsOn);
        StringGrid login;
        const SavedLoginLoad saved = loadSavedLoginTable(login, f.folder.path());
        QVERIFY(saved.login.saved);
        QCOMPARE(saved.login.email, QStringLiteral("mira@example.org"));
        QCOMPARE(saved.login.password, QStringLiteral("pa ss~word"));

        // Further requests during the wait change nothing and do not restart it.
        QTest::qWait(500);
        QVERIFY(!w.close());
        w.BtnExitClick();
        QTest::keyClick(&w, Qt::Key_F4, Qt::AltModifier);
        QVERIFY(w.AppEndTimer->remainingTime() <= 1000);
        QCOMPARE(linesContaining(w.ChatAll, QStringLiteral("Bye bye")), 1);
        QVERIFY(w.ResourceLibrary1.isLoaded());
        QVERIFY(w.ResourceLibrary2.isLoaded());

        QTRY_COMPARE_WITH_TIMEOUT(f.exitCodes, QList<int>{0}, 20000);
        QVERIFY2(clock.elapsed() >= 1490, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!w.ResourceLibrary1.isLoaded());
        QVERIFY(!w.ResourceLibrary2.isLoaded());
    }

    void aCloseRequestRunsTheExitSequence() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        QVERIFY(w.Exiting());
        QVERIFY(w.AppEndTimer->isActive());
        QCOMPARE(linesContaining(w.ChatAll, QStringLiteral("Bye bye")), 1);
        QTRY_COMPARE_WITH_TIMEOUT(f.exitCodes, QList<int>{0}, 20000);
        QVERIFY(w.isVisible());
    }

    void theExitCuePlaysFromALoadedBundle() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        w.BtnExitClick();
        QCOMPARE(f.sounds->lastPlayed(), QStringLiteral("SndBtnClickExit"));
        QVERIFY(w.ResourceLibrary2.isLoaded());
        QTRY_COMPARE_WITH_TIMEOUT(f.exitCodes, QList<int>{0}, 20000);
        // The voice was stopped before its bundle went.
        QVERIFY(f.sounds->playing().isEmpty());
        QVERIFY(!w.ResourceLibrary2.isLoaded());
    }
};

QTEST_MAIN(ExitSequenceTest)
#include "ExitSequenceTest.moc"
