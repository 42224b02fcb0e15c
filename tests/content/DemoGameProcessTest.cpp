// Each demo game started as the launcher starts it shows its window under the catalogue's exact
// WindowTitle, where the launcher's window watch looks for it, until the game ends.
#include "core/GameCatalogue.h"
#include "platform/WindowFinder.h"

#include <QDir>
#include <QProcess>
#include <QTest>

class DemoGameProcessTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "needs an X server: run under xvfb-run");
    }

    void windowCarriesTheCatalogueTitle_data() {
        QTest::addColumn<int>("index");
        for (std::size_t i = 0; i < GameCount; ++i)
            QTest::newRow(GameCatalogue()[i].FolderName.data()) << int(i);
    }
    void windowCarriesTheCatalogueTitle() {
        QFETCH(int, index);
        const GameEntry &game = GameCatalogue()[std::size_t(index)];
        const QDir folder(
            QDir(QStringLiteral(DEMO_GAME_STAGE)).filePath(QString::fromLatin1(game.FolderName)));
        const QByteArray title(game.WindowTitle.data(), qsizetype(game.WindowTitle.size()));
        WindowFinder finder;
        QVERIFY(!finder.exists(title));

        // The launcher's command line "a@b.c pass word" split at blanks, from the game's folder.
        QProcess process;
        process.setWorkingDirectory(folder.path());
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(folder.filePath(QString::fromLatin1(game.ExeName)),
                      {QStringLiteral("a@b.c"), QStringLiteral("pass"), QStringLiteral("word")});
        QVERIFY(process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(finder.exists(title), 30000);
        process.terminate();
        QVERIFY(process.waitForFinished(30000));
        QTRY_VERIFY_WITH_TIMEOUT(!finder.exists(title), 10000);
    }
};

QTEST_GUILESS_MAIN(DemoGameProcessTest)
#include "DemoGameProcessTest.moc"
