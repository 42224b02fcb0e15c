// The shop and My Games pages and the shop search on the real main window, with demo games installed
// into its Games folder.
#include "DemoGameInstall.h"
#include "MainFormFixture.h"
#include "gui/controls/PictureControl.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPropertyAnimation>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>

namespace {

QImage imageOfGame(TMainForm &form, int index) {
    const std::string_view name = GameCatalogue()[std::size_t(index)].ImageName;
    return bundlePicture(form, QByteArrayView(name.data(), qsizetype(name.size())));
}

// What the login acceptance does to the library views before it shows home.
void acceptLogin(MainFormFixture &f) {
    TMainForm &w = *f.form;
    w.NewsIndex = 1;
    w.ShopPosition = 1;
    w.MyGamesPosition = 1;
    w.RefreshGameStates();
    w.RebuildShopList();
    w.FillMyGamesPage();
    w.FillShopPage();
    f.navigate(1);
}

// A wheel turn as the user makes it over a control: delivered to it, left to its panel.
void turnWheel(QWidget *over, int delta) {
    QWheelEvent wheel(QPointF(4, 4), over->mapToGlobal(QPointF(4, 4)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    QApplication::instance()->notify(over, &wheel);
}

QString firstLine(const QLabel *text) {
    return text->text().section(u'\n', 0, 0);
}

} // namespace

class LibraryPagesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shopPagesThroughElevenGames() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        acceptLogin(f);
        QTest::mouseClick(w.BtnShop, Qt::LeftButton);
        QVERIFY(!w.PanelStore->isHidden());
        QCOMPARE(w.ShopText1->text(), QStringLiteral("11 Games Available In Shop"));
        QCOMPARE(w.GameText01->text(), QStringLiteral("Starfall Drift\n \nGenre:   Racing\nCollected:  No"
                                                      "      Size:  1250MB\nDeveloper:  Comet Garage"));
        QCOMPARE(w.GameText02->text(), QStringLiteral("Iron Meadow\n \nGenre:   Farming Sim\nCollected:  No"
                                                      "      Size:  380MB\nDeveloper:  Hayloft Interactive"));
        QCOMPARE(w.ShopBtn01->picture().toImage(), imageOfGame(w, 2));
        QCOMPARE(w.ShopBtn02->picture().toImage(), imageOfGame(w, 3));
        QVERIFY(w.BtnLeftShop->isHidden());
        QVERIFY(!w.BtnRightShop->isHidden());

        // Each forward click moves the former second card into the first place.
        for (int click = 1; click <= 9; ++click) {
            QVERIFY(!w.BtnRightShop->isHidden());
            const QString second = w.GameText02->text();
            QTest::mouseClick(w.BtnRightShop, Qt::LeftButton);
            QCOMPARE(w.GameText01->text(), second);
            QCOMPARE(w.ShopPosition, quint32(click + 1));
            QVERIFY(!w.BtnLeftShop->isHidden());
        }
        QCOMPARE(w.ShopPosition, 10u);
        QVERIFY(w.BtnRightShop->isHidden());
        QCOMPARE(firstLine(w.GameText01), QStringLiteral("Rustbucket Rally"));
        QCOMPARE(firstLine(w.GameText02), QStringLiteral("Moonlit Masquerade"));
        QCOMPARE(w.ShopBtn02->picture().toImage(), imageOfGame(w, 12));

        // The wheel towards the user is the forward arrow: hidden here, so nothing happens, not even a cue.
        const int cues = f.sounds->playCount();
        turnWheel(w.ShopBtn01, -120);
        QCOMPARE(w.ShopPosition, 10u);
        QCOMPARE(f.sounds->playCount(), cues);
        // Away from the user, over a card or its text: back one game.
        turnWheel(w.GameText02, 120);
        QCOMPARE(w.ShopPosition, 9u);
        QCOMPARE(f.sounds->playCount(), cues + 1);
        QCOMPARE(f.sounds->lastPlayed(), QStringLiteral("SndBtnClick"));
        turnWheel(w.PanelStore, -120);
        QCOMPARE(w.ShopPosition, 10u);

        QTest::mouseClick(w.BtnLeftShop, Qt::LeftButton);
        QCOMPARE(w.ShopPosition, 9u);
        for (int i = 0; i < 8; ++i)
            turnWheel(w.ShopBtn02, 120);
        QCOMPARE(w.ShopPosition, 1u);
        QVERIFY(w.BtnLeftShop->isHidden());
        const int atStart = f.sounds->playCount();
        turnWheel(w.ShopBtn01, 120);
        QCOMPARE(w.ShopPosition, 1u);
        QCOMPARE(f.sounds->playCount(), atStart);

        // Leaving the shop and coming back shows the same pair.
        QTest::mouseClick(w.BtnRightShop, Qt::LeftButton);
        QTest::mouseClick(w.BtnHome, Qt::LeftButton);
        QTest::mouseClick(w.BtnShop, Qt::LeftButton);
        QCOMPARE(firstLine(w.GameText01), QStringLiteral("Iron Meadow"));
        QCOMPARE(firstLine(w.GameText02), QStringLiteral("Hexbound"));
    }

    void shortShopLists_data() {
        QTest::addColumn<QList<int>>("listed");
        QTest::newRow("one game") << QList<int>{5};
        QTest::newRow("no game") << QList<int>{};
    }
    void shortShopLists() {
        QFETCH(QList<int>, listed);
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        w.Library.ListedInShop.fill(false);
        for (const int game : listed)
            w.Library.ListedInShop[std::size_t(game)] = true;
        acceptLogin(f);
        f.navigate(3);
        QCOMPARE(w.ShopText1->text(),
                 QString::number(listed.size()) + QStringLiteral(" Games Available In Shop"));
        QCOMPARE(w.ShopBtn01->isHidden(), listed.isEmpty());
        QCOMPARE(w.G1Bckg->isHidden(), listed.isEmpty());
        QCOMPARE(firstLine(w.GameText01),
                 listed.isEmpty() ? QString() : QStringLiteral("Cinder Vale Online"));
        for (QWidget *hidden :
             std::initializer_list<QWidget *>{w.ShopBtn02, w.G2Bckg, w.BtnLeftShop, w.BtnRightShop})
            QVERIFY2(hidden->isHidden(), qPrintable(hidden->objectName()));
        QVERIFY(w.GameText02->text().isEmpty());

        // A card with no game under it opens nothing.
        QTest::mouseClick(w.ShopBtn02, Qt::LeftButton);
        QCOMPARE(w.CurrentPanel, quint16(3));
        QTest::mouseClick(w.ShopBtn01, Qt::LeftButton);
        QCOMPARE(w.CurrentPanel, quint16(listed.isEmpty() ? 3 : 10));
        QVERIFY(f.messages.isEmpty());
    }

    // Alt+F9 on the login panel, before any login left a shop position: the first pair, and the arrows
    // count from there.
    void shopBeforeAnyLoginOpensOnTheFirstPair() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        QCOMPARE(w.ShopPosition, 0u);
        w.FormKeyDown(Qt::Key_F9, Qt::AltModifier);
        QCOMPARE(w.CurrentPanel, quint16(3));
        QCOMPARE(w.ShopText1->text(), QStringLiteral("12 Games Available In Shop"));
        QCOMPARE(w.ShopPosition, 1u);
        QCOMPARE(firstLine(w.GameText01), QStringLiteral("Ember Hollow"));
        QCOMPARE(firstLine(w.GameText02), QStringLiteral("Starfall Drift"));
        QVERIFY(w.BtnLeftShop->isHidden());
        QTest::mouseClick(w.BtnRightShop, Qt::LeftButton);
        QCOMPARE(firstLine(w.GameText01), QStringLiteral("Starfall Drift"));
        QTest::mouseClick(w.ShopBtn01, Qt::LeftButton);
        QCOMPARE(w.SelectedGame, qint16(2));
        QVERIFY(f.messages.isEmpty());
    }

    void cardShowsCollectedAndBackReturnsToTheSamePair() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        QVERIFY(installDemoGame(f.folder.path(), 3));
        acceptLogin(f);
        QTest::mouseClick(w.BtnShop, Qt::LeftButton);
        QTest::mouseClick(w.BtnRightShop, Qt::LeftButton);
        QCOMPARE(w.GameText01->text(), QStringLiteral("Iron Meadow\n \nGenre:   Farming Sim\nCollected:  Yes"
                                                      "      Size:  380MB\nDeveloper:  Hayloft Interactive"));

        QTest::mouseClick(w.ShopBtn01, Qt::LeftButton);
        QCOMPARE(w.SelectedGame, qint16(3));
        QCOMPARE(w.CurrentPanel, quint16(10));
        QCOMPARE(w.PreviousPanel, quint16(3));
        QVERIFY(!w.PanelGames->isHidden());
        QVERIFY(w.PanelStore->isHidden());
        QCOMPARE(w.PanelGames->picture().toImage(), imageOfGame(w, 3));
        QVERIFY(!w.BtnPlay->isHidden());
        QVERIFY(w.BtnInstall->isHidden());

        // The game goes while the detail is open; back shows the new state on the same pair.
        QVERIFY(removeGame(f.folder.path(), 3));
        QSignalSpy cues(f.sounds, &SoundPlayer::started);
        QTest::mouseClick(w.BtnBack, Qt::LeftButton);
        // The back cue, then the click of the navigation.
        QCOMPARE(cues.size(), 2);
        QCOMPARE(cues[0][0].toString(), QStringLiteral("SndBtnClickBack"));
        QCOMPARE(cues[1][0].toString(), QStringLiteral("SndBtnClick"));
        QCOMPARE(w.CurrentPanel, quint16(3));
        QVERIFY(!w.PanelStore->isHidden());
        QVERIFY(w.PanelGames->isHidden());
        QCOMPARE(w.ShopPosition, 2u);
        QCOMPARE(w.GameText01->text(), QStringLiteral("Iron Meadow\n \nGenre:   Farming Sim\nCollected:  No"
                                                      "      Size:  380MB\nDeveloper:  Hayloft Interactive"));
        QCOMPARE(firstLine(w.GameText02), QStringLiteral("Hexbound"));

        // The second card opens its own game.
        QTest::mouseClick(w.ShopBtn02, Qt::LeftButton);
        QCOMPARE(w.SelectedGame, qint16(4));
        QCOMPARE(w.PanelGames->picture().toImage(), imageOfGame(w, 4));
        QVERIFY(!w.BtnInstall->isHidden());
    }

    void myGamesWithThreeGames() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        // Installed in another order than the catalogue's; the page follows the catalogue.
        for (const int game : {10, 3, 7})
            QVERIFY(installDemoGame(f.folder.path(), game));
        acceptLogin(f);
        QTest::mouseClick(w.BtnMyGames, Qt::LeftButton);
        QVERIFY(!w.PanelMyGames->isHidden());
        QCOMPARE(w.InstText01->text(), QStringLiteral("Iron Meadow"));
        QCOMPARE(w.InstText02->text(), QStringLiteral("Whisperwood"));
        QCOMPARE(w.MyGameBtn01->picture().toImage(), imageOfGame(w, 3));
        QCOMPARE(w.MyGameBtn02->picture().toImage(), imageOfGame(w, 7));
        QVERIFY(w.BtnLeft->isHidden());
        QVERIFY(!w.BtnRight->isHidden());

        QTest::mouseClick(w.BtnRight, Qt::LeftButton);
        QCOMPARE(w.MyGamesPosition, 2u);
        QCOMPARE(w.InstText01->text(), QStringLiteral("Whisperwood"));
        QCOMPARE(w.InstText02->text(), QStringLiteral("Neon Gambit"));
        QVERIFY(w.BtnRight->isHidden());
        QVERIFY(!w.BtnLeft->isHidden());
        turnWheel(w.MyGameBtn01, -120); // forward arrow hidden: nothing
        QCOMPARE(w.MyGamesPosition, 2u);

        // Opened from My Games, back returns here with the same pair.
        QTest::mouseClick(w.MyGameBtn02, Qt::LeftButton);
        QCOMPARE(w.SelectedGame, qint16(10));
        QCOMPARE(w.PreviousPanel, quint16(2));
        QCOMPARE(w.PanelGames->picture().toImage(), imageOfGame(w, 10));
        QTest::mouseClick(w.BtnBack, Qt::LeftButton);
        QCOMPARE(w.CurrentPanel, quint16(2));
        QVERIFY(!w.PanelMyGames->isHidden());
        QCOMPARE(w.InstText01->text(), QStringLiteral("Whisperwood"));

        turnWheel(w.InstText02, 120);
        QCOMPARE(w.MyGamesPosition, 1u);
        QCOMPARE(w.InstText01->text(), QStringLiteral("Iron Meadow"));
        QTest::mouseClick(w.MyGameBtn01, Qt::LeftButton);
        QCOMPARE(w.SelectedGame, qint16(3));

        // A game removed outside the launcher: showing My Games rescans but keeps the position, and the
        // slot past the shorter list is a placeholder, never the stale entry.
        QTest::mouseClick(w.BtnBack, Qt::LeftButton);
        QTest::mouseClick(w.BtnRight, Qt::LeftButton);
        QVERIFY(removeGame(f.folder.path(), 10));
        QTest::mouseClick(w.BtnMyGames, Qt::LeftButton);
        QCOMPARE(w.MyGamesPosition, 2u);
        QCOMPARE(w.Library.InstalledCount, 2u);
        QCOMPARE(w.InstText01->text(), QStringLiteral("Whisperwood"));
        QVERIFY(w.InstText02->text().isEmpty());
        QCOMPARE(w.MyGameBtn02->picture().toImage(), bundlePicture(w, "Scroll"));
        QTest::mouseClick(w.MyGameBtn02, Qt::LeftButton);
        QCOMPARE(w.CurrentPanel, quint16(2));
        QVERIFY(
            w.ChatAll->toPlainText().contains(QStringLiteral("Plaese choose a Game from Shop and Install.")));

        // The login acceptance puts the position back to 1.
        acceptLogin(f);
        QCOMPARE(w.MyGamesPosition, 1u);
        QCOMPARE(w.InstText01->text(), QStringLiteral("Iron Meadow"));
    }

    void emptySlotsPointToTheShop() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        acceptLogin(f);
        QTest::mouseClick(w.BtnMyGames, Qt::LeftButton);
        const QImage scroll = bundlePicture(w, "Scroll");
        QVERIFY(!scroll.isNull());
        QCOMPARE(w.MyGameBtn01->picture().toImage(), scroll);
        QCOMPARE(w.MyGameBtn02->picture().toImage(), scroll);
        QVERIFY(w.InstText01->text().isEmpty() && w.InstText02->text().isEmpty());
        QVERIFY(w.BtnLeft->isHidden() && w.BtnRight->isHidden());
        QVERIFY(!w.MyGameBtn01->isHidden() && !w.MyGameBtn02->isHidden());
        QVERIFY(!w.MG1Bckg->isHidden() && !w.MG2Bckg->isHidden());

        const QString message = QStringLiteral("Plaese choose a Game from Shop and Install.");
        QTest::mouseClick(w.MyGameBtn01, Qt::LeftButton);
        QCOMPARE(w.CurrentPanel, quint16(2));
        QCOMPARE(w.ChatAll->toPlainText().count(message), 1);
        QVERIFY(!w.ChatPanel->isHidden());
        QCOMPARE(f.sounds->lastPlayed(), QStringLiteral("SndStore"));

        // One pulse: out towards 1.2 and back to where it started, then ready again.
        QCOMPARE(w.StoreAnimX->state(), QAbstractAnimation::Running);
        QCOMPARE(w.StoreAnimY->state(), QAbstractAnimation::Running);
        QCOMPARE(w.StoreAnimX->easingCurve().type(), QEasingCurve::OutElastic);
        QCOMPARE(w.StoreAnimY->easingCurve().type(), QEasingCurve::OutBounce);
        QCOMPARE(w.StoreAnimX->duration(), 400);
        QCOMPARE(w.StoreAnimX->endValue().toDouble(), 1.2);
        QTRY_VERIFY(w.BtnShop->scaleX() > 1.1 && w.BtnShop->scaleY() > 1.1);
        QTRY_COMPARE(w.StoreAnimX->direction(), QAbstractAnimation::Backward);
        QTRY_COMPARE(w.StoreAnimX->state(), QAbstractAnimation::Stopped);
        QTRY_COMPARE(w.StoreAnimY->state(), QAbstractAnimation::Stopped);
        QCOMPARE(w.BtnShop->scaleX(), 1.0);
        QCOMPARE(w.BtnShop->scaleY(), 1.0);
        QCOMPARE(w.StoreAnimX->direction(), QAbstractAnimation::Forward);

        QTest::mouseClick(w.MyGameBtn02, Qt::LeftButton);
        QCOMPARE(w.ChatAll->toPlainText().count(message), 2);
        QCOMPARE(w.StoreAnimX->state(), QAbstractAnimation::Running);
        // A click during the pulse leaves it running as it is.
        QTest::mouseClick(w.MyGameBtn01, Qt::LeftButton);
        QCOMPARE(w.ChatAll->toPlainText().count(message), 3);
        QTRY_COMPARE(w.StoreAnimY->state(), QAbstractAnimation::Stopped);
        QCOMPARE(w.BtnShop->scaleY(), 1.0);
    }

    void myGamesWithOneGame() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        QVERIFY(installDemoGame(f.folder.path(), 12));
        acceptLogin(f);
        QTest::mouseClick(w.BtnMyGames, Qt::LeftButton);
        QCOMPARE(w.InstText01->text(), QStringLiteral("Moonlit Masquerade"));
        QVERIFY(w.InstText02->text().isEmpty());
        QCOMPARE(w.MyGameBtn02->picture().toImage(), bundlePicture(w, "Scroll"));
        QVERIFY(w.BtnLeft->isHidden() && w.BtnRight->isHidden());
        QTest::mouseClick(w.MyGameBtn02, Qt::LeftButton);
        QCOMPARE(w.CurrentPanel, quint16(2));
        QCOMPARE(
            w.ChatAll->toPlainText().count(QStringLiteral("Plaese choose a Game from Shop and Install.")), 1);
        QTest::mouseClick(w.MyGameBtn01, Qt::LeftButton);
        QCOMPARE(w.CurrentPanel, quint16(10));
        QCOMPARE(w.SelectedGame, qint16(12));
    }

    void searchNarrowsTheShop() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        acceptLogin(f);
        QTest::mouseClick(w.BtnShop, Qt::LeftButton);
        QTest::mouseClick(w.BtnRightShop, Qt::LeftButton);
        QTest::mouseClick(w.BtnRightShop, Qt::LeftButton);

        // Upper case finds "Rally" and "Masquerade"; the position starts over.
        QTest::keyClicks(w.SearchEdit, QStringLiteral("RA"));
        QCOMPARE(w.ShopText1->text(), QStringLiteral("Found 2 Games of 11 Available In Shop"));
        QCOMPARE(w.ShopPosition, 1u);
        QCOMPARE(firstLine(w.GameText01), QStringLiteral("Rustbucket Rally"));
        QCOMPARE(firstLine(w.GameText02), QStringLiteral("Moonlit Masquerade"));
        QVERIFY(w.BtnLeftShop->isHidden() && w.BtnRightShop->isHidden());
        QVERIFY(!w.PanelStore->isHidden());
        QTest::mouseClick(w.ShopBtn02, Qt::LeftButton);
        QCOMPARE(w.SelectedGame, qint16(12));
        QTest::mouseClick(w.BtnBack, Qt::LeftButton);
        // Back keeps the filtered list and the text.
        QCOMPARE(w.SearchEdit->text(), QStringLiteral("RA"));
        QCOMPARE(firstLine(w.GameText02), QStringLiteral("Moonlit Masquerade"));

        w.SearchEdit->clear();
        QTest::keyClicks(w.SearchEdit, QStringLiteral("hEX"));
        QCOMPARE(w.ShopText1->text(), QStringLiteral("Found 1 Games of 11 Available In Shop"));
        QCOMPARE(firstLine(w.GameText01), QStringLiteral("Hexbound"));
        QVERIFY(w.ShopBtn02->isHidden() && w.G2Bckg->isHidden() && w.GameText02->text().isEmpty());

        // A blank matches every title with a blank in it, and nothing else.
        w.SearchEdit->clear();
        QTest::keyClicks(w.SearchEdit, QStringLiteral(" "));
        QCOMPARE(w.ShopText1->text(), QStringLiteral("Found 9 Games of 11 Available In Shop"));
        QTest::mouseClick(w.BtnRightShop, Qt::LeftButton);
        QCOMPARE(w.ShopPosition, 2u);
        // Any key release in a non-empty field searches again, from the start, with the click cue.
        const int cues = f.sounds->playCount();
        QTest::keyClick(w.SearchEdit, Qt::Key_Left);
        QCOMPARE(w.ShopPosition, 1u);
        QCOMPARE(f.sounds->playCount(), cues + 1);

        // The unlisted games are never found.
        for (const QString &text : {QStringLiteral("Hollow"), QStringLiteral("tidebreaker"),
                                    QStringLiteral("Cinder Vale Online, the sequel")}) {
            w.SearchEdit->clear();
            QTest::keyClicks(w.SearchEdit, text);
            QCOMPARE(w.ShopText1->text(), QStringLiteral("Found 0 Games of 11 Available In Shop"));
            for (QWidget *hidden : std::initializer_list<QWidget *>{w.ShopBtn01, w.G1Bckg, w.BtnLeftShop,
                                                                    w.ShopBtn02, w.G2Bckg, w.BtnRightShop})
                QVERIFY2(hidden->isHidden(), qPrintable(hidden->objectName()));
            QVERIFY(w.GameText01->text().isEmpty() && w.GameText02->text().isEmpty());
            QTest::mouseClick(w.ShopBtn01, Qt::LeftButton);
            QCOMPARE(w.CurrentPanel, quint16(3));
        }

        // Deleting the last character brings back the whole shop.
        w.SearchEdit->clear();
        QTest::keyClicks(w.SearchEdit, QStringLiteral("o"));
        QCOMPARE(w.ShopText1->text(), QStringLiteral("Found 8 Games of 11 Available In Shop"));
        QTest::mouseClick(w.BtnRightShop, Qt::LeftButton);
        QTest::keyClick(w.SearchEdit, Qt::Key_Backspace);
        QVERIFY(w.SearchEdit->text().isEmpty());
        QCOMPARE(w.ShopText1->text(), QStringLiteral("11 Games Available In Shop"));
        QCOMPARE(w.ShopPosition, 1u);
        QCOMPARE(w.Library.ShopCount, 11u);
        QCOMPARE(firstLine(w.GameText01), QStringLiteral("Starfall Drift"));
        QVERIFY(!w.BtnRightShop->isHidden());
        QVERIFY(!w.PanelStore->isHidden());
    }

    void clearButton() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        acceptLogin(f);
        QTest::mouseClick(w.BtnShop, Qt::LeftButton);
        QTest::mouseClick(w.BtnRightShop, Qt::LeftButton);

        // An empty field: nothing at all, not even a cue.
        const int cues = f.sounds->playCount();
        QTest::mouseClick(w.BtnClearSearch, Qt::LeftButton);
        QCOMPARE(f.sounds->playCount(), cues);
        QCOMPARE(w.ShopPosition, 2u);

        QTest::keyClicks(w.SearchEdit, QStringLiteral("ee"));
        QCOMPARE(w.ShopText1->text(), QStringLiteral("Found 0 Games of 11 Available In Shop"));
        QTest::keyClicks(w.SearchEdit, QStringLiteral("e"));
        QTest::keyClick(w.SearchEdit, Qt::Key_Backspace);
        QCOMPARE(w.SearchEdit->text(), QStringLiteral("ee"));
        QTest::mouseClick(w.BtnClearSearch, Qt::LeftButton);
        QVERIFY(w.SearchEdit->text().isEmpty());
        QCOMPARE(w.ShopText1->text(), QStringLiteral("11 Games Available In Shop"));
        QCOMPARE(w.ShopPosition, 1u);
        QCOMPARE(firstLine(w.GameText01), QStringLiteral("Starfall Drift"));
        QVERIFY(!w.ShopBtn01->isHidden() && !w.ShopBtn02->isHidden());
    }
};

QTEST_MAIN(LibraryPagesTest)
#include "LibraryPagesTest.moc"
