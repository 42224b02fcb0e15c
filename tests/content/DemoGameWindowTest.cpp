#include "CoverArt.h"
#include "GameWindow.h"
#include "PlayerText.h"
#include "core/GameCatalogue.h"

#include <QImage>
#include <QPainter>
#include <QSet>
#include <QTest>

namespace {

QString text(std::string_view value) {
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

QImage coverOf(const GameEntry &game) {
    QImage image(165, 240, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    CoverArt(game).paint(painter, QRectF(image.rect()));
    return image;
}

int distinctColours(const QImage &image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    return static_cast<int>(colours.size());
}

} // namespace

class DemoGameWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void playerTextFromCommandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("secret");
        QTest::newRow("NoVer game: no parameters")
            << QStringList{} << QStringLiteral("Offline demo") << QString();
        QTest::newRow("password with a blank arrives as two words")
            << QStringList{QStringLiteral("a@b.c"), QStringLiteral("hunter"), QStringLiteral("two")}
            << QStringLiteral("Signed in as a@b.c") << QStringLiteral("password: 10 characters");
        QTest::newRow("one character")
            << QStringList{QStringLiteral("a@b.c"), QStringLiteral("x")}
            << QStringLiteral("Signed in as a@b.c") << QStringLiteral("password: 1 character");
        QTest::newRow("empty password leaves only the address")
            << QStringList{QStringLiteral("a@b.c")} << QStringLiteral("Signed in as a@b.c")
            << QStringLiteral("password: 0 characters");
        QTest::newRow("characters, not UTF-16 units")
            << QStringList{QStringLiteral(u"j\u00fcrgen@b.c"), QStringLiteral(u"k\u00e4se\U0001F600")}
            << QStringLiteral(u"Signed in as j\u00fcrgen@b.c") << QStringLiteral("password: 5 characters");
    }
    void playerTextFromCommandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, account);
        QFETCH(QString, secret);
        const PlayerText shown = PlayerText::fromArguments(arguments);
        QCOMPARE(shown.account, account);
        QCOMPARE(shown.secret, secret);
        // The password itself is never part of what the game shows.
        for (const QString &word : arguments.mid(1))
            QVERIFY(!shown.account.contains(word) && !shown.secret.contains(word));
    }

    void everyGameWindowCarriesItsCatalogueTitle() {
        for (const GameEntry &game : GameCatalogue()) {
            GameWindow window(game, QStringLiteral("1.2.0.4"), PlayerText::fromArguments({}));
            QCOMPARE(window.windowTitle(), text(game.WindowTitle));
            QCOMPARE(window.versionLine(), QStringLiteral("Version 1.2.0.4"));
        }
        GameWindow unversioned(GameCatalogue()[0], QString(), PlayerText::fromArguments({}));
        QCOMPARE(unversioned.versionLine(), QStringLiteral("Version unknown"));
    }

    void escapeClosesTheWindow() {
        GameWindow window(GameCatalogue()[4], QStringLiteral("1.1.0.0"), PlayerText::fromArguments({}));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QImage shot = window.grab().toImage();
        QVERIFY(distinctColours(shot) > 100);
        QTest::keyClick(&window, Qt::Key_A);
        QVERIFY(window.isVisible());
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(!window.isVisible());
    }

    // Every cover is a picture (not a flat box), fills its area, and no two games look alike.
    void coversArePicturesAndDifferPerGame() {
        QSet<QByteArray> seen;
        for (const GameEntry &game : GameCatalogue()) {
            const QImage cover = coverOf(game);
            QVERIFY2(distinctColours(cover) > 60, game.FolderName.data());
            for (int y = 0; y < cover.height(); y += 7)
                for (int x = 0; x < cover.width(); x += 7)
                    QVERIFY2(cover.pixel(x, y) != QColor(Qt::magenta).rgb(), game.FolderName.data());
            const QByteArray pixels(reinterpret_cast<const char *>(cover.constBits()), cover.sizeInBytes());
            QVERIFY2(!seen.contains(pixels), game.FolderName.data());
            seen.insert(pixels);
        }
        // The same game is drawn the same way every time.
        QCOMPARE(coverOf(GameCatalogue()[7]), coverOf(GameCatalogue()[7]));
    }
};

QTEST_MAIN(DemoGameWindowTest)
#include "DemoGameWindowTest.moc"
