#include "core/Layout.h"

#include <QSet>
#include <QTest>

namespace {

// Stands in for the window's font metrics (a usual line height), independent of any font file.
QSizeF fakeTextSize(std::string_view name, float fontSize) {
    return {fontSize * 0.6 * double(name.size()), fontSize * 1.2};
}

LayoutInput inputFor(int screenWidth, qsizetype updateCaption = 6) {
    const WindowMetrics metrics = mainWindowMetrics(screenWidth);
    LayoutInput input;
    input.window = QSizeF(metrics.width, metrics.height);
    input.fonts = metrics.fonts;
    input.textSize = fakeTextSize;
    input.captionLength = [updateCaption](std::string_view) { return updateCaption; };
    return input;
}

QString name(std::string_view text) {
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

bool near(double a, double b) {
    return qAbs(a - b) < 0.01;
}

bool inside(const QRectF &inner, const QRectF &outer, double slack = 0.01) {
    return inner.left() >= outer.left() - slack && inner.top() >= outer.top() - slack &&
           inner.right() <= outer.right() + slack && inner.bottom() <= outer.bottom() + slack;
}

const std::array<Layout, 3> allLayouts{Layout::Main, Layout::GameDetail, Layout::Chat};

} // namespace

Q_DECLARE_METATYPE(Layout)

class LayoutTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void windowFollowsTheScreenWidth_data() {
        QTest::addColumn<int>("screenWidth");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<float>("large");
        QTest::addColumn<float>("base");
        QTest::addColumn<float>("small");

        QTest::newRow("1920") << 1920 << 1536 << 864 << 30.f << 21.f << 19.f;
        QTest::newRow("1280") << 1280 << 1024 << 576 << 20.f << 14.f << 12.f;
        QTest::newRow("1024") << 1024 << 819 << 460 << 16.f << 11.f << 10.f;
        QTest::newRow("3440, taller than its screen") << 3440 << 2752 << 1548 << 55.f << 39.f << 34.f;
        QTest::newRow("1366") << 1366 << 1092 << 614 << 21.f << 15.f << 13.f;
        QTest::newRow("2560") << 2560 << 2048 << 1152 << 40.f << 29.f << 25.f;
        QTest::newRow("no screen") << 0 << 0 << 0 << 0.f << 0.f << 0.f;
    }

    void windowFollowsTheScreenWidth() {
        QFETCH(int, screenWidth);
        const WindowMetrics metrics = mainWindowMetrics(screenWidth);
        QTEST(metrics.width, "width");
        QTEST(metrics.height, "height");
        QTEST(metrics.fonts.LargeFontSize, "large");
        QTEST(metrics.fonts.BaseFontSize, "base");
        QTEST(metrics.fonts.SmallFontSize, "small");
    }

    // Worked out from the rules by hand (window coordinates of the parent left out: x and y are the
    // element's own, inside its parent).
    void tellingRows_data() {
        QTest::addColumn<int>("screenWidth");
        QTest::addColumn<Layout>("layout");
        QTest::addColumn<QString>("element");
        QTest::addColumn<QRectF>("geometry");

        const auto row = [](int screen, Layout layout, const char *element, QRectF rect) {
            QTest::addRow("%d %s", screen, element)
                << screen << layout << QString::fromLatin1(element) << rect;
        };
        const Layout M = Layout::Main;
        const Layout G = Layout::GameDetail;
        const Layout C = Layout::Chat;

        row(1920, M, "StatusPanel", {0, 0, 1536, 69.12});
        row(1920, M, "LogOutBtn", {1183.8, 23.7072, 90, 30});
        row(1920, M, "BtnUpdate", {673.5, 10.935, 189, 47.25});
        row(1920, M, "BtnSettings", {1370.112, 23.5008, 24.576, 22.1184});
        row(1920, M, "BtnExit", {1462.272, 23.5008, 24.576, 22.1184});
        row(1920, M, "LogInForm", {0, 68.688, 1536, 795.744});
        row(1920, M, "PanelInfo", {0, 68.688, 261.12, 795.744});
        row(1920, M, "BtnHome", {39.168, 47.74464, 182.784, 52.224});
        row(1920, M, "BtnSocial", {39.168, 286.4678, 182.784, 52.224});
        row(1920, M, "PanelStore", {285.696, 90.72, 1013.76, 751.68});
        row(1920, M, "ShopBtn01", {141.9264, 193.6189, 324.4032, 214.1061});
        row(1920, M, "ShopBtn02", {141.9264, 456.7069, 324.4032, 214.1061});
        row(1920, M, "BtnLeftShop", {467.055, 112.8024, 79.65, 45});
        row(1920, M, "BtnRightShop", {467.055, 706.6296, 79.65, 45});
        row(1920, M, "ADS", {1324.032, 77.76, 199.68, 777.6});
        row(1920, G, "PanelGames", {285.696, 112.32, 1013.76, 708.48});
        row(1920, G, "BtnBack", {41.376, 10.848, 120, 120});
        row(1920, G, "BtnPlay", {326.88, 177.3190, 360, 70.4501});
        row(1920, G, "BtnDelete", {386.88, 454.7407, 240, 46.9667});
        row(1920, G, "DLInfo", {300.9024, 679.104, 983.3472, 118.0017});
        row(1920, G, "ProgressBarDownload", {24.5837, 42.5008, 934.1798, 33});
        row(1920, G, "BtnCancel", {341.6736, -111.0126, 300, 58.7084});
        row(1920, C, "ChatPanel", {7.68, 445.76, 614.4, 409.6});
        row(1920, C, "ChatAll", {0, 0, 614.4, 371.8});
        row(1920, C, "ChatEdit", {0, 371.8, 614.4, 37.8});

        row(1280, M, "StatusPanel", {0, 0, 1024, 46.08});
        row(1280, M, "LogOutBtn", {789.2, 15.8048, 60, 20});
        row(1280, M, "BtnUpdate", {449, 7.29, 126, 31.5});
        row(1280, M, "BtnExit", {974.848, 15.6672, 16.384, 14.7456});
        row(1280, M, "PanelInfo", {0, 45.792, 174.08, 530.496});
        row(1280, M, "BtnSocial", {26.112, 190.9786, 121.856, 34.816});
        row(1280, M, "PanelStore", {190.464, 60.48, 675.84, 501.12});
        row(1280, M, "ShopBtn02", {94.6176, 304.4713, 216.2688, 142.7374});
        row(1280, M, "BtnRightShop", {311.37, 471.0864, 53.1, 30});
        row(1280, M, "ADS", {882.688, 51.84, 133.12, 518.4});
        row(1280, G, "PanelGames", {190.464, 74.88, 675.84, 472.32});
        row(1280, G, "BtnPlay", {217.92, 118.2126, 240, 46.9667});
        row(1280, G, "DLInfo", {200.6016, 452.736, 655.5648, 78.6678});
        row(1280, G, "BtnCancel", {227.7824, -74.0084, 200, 39.1389});
        row(1280, C, "ChatPanel", {5.12, 297.1733, 409.6, 273.0667});
        row(1280, C, "ChatEdit", {0, 247.8667, 409.6, 25.2});

        row(3440, M, "StatusPanel", {0, 0, 2752, 123.84});
        row(3440, M, "LogOutBtn", {2119.1, 41.8504, 165, 55});
        row(3440, M, "BtnUpdate", {1200.5, 18.045, 351, 87.75});
        row(3440, M, "PanelInfo", {0, 123.066, 467.84, 1425.708});
        row(3440, M, "BtnSocial", {70.176, 513.2549, 327.488, 93.568});
        row(3440, M, "PanelStore", {511.872, 162.54, 1816.32, 1346.76});
        row(3440, M, "ShopBtn02", {254.2848, 818.2666, 581.2224, 383.6068});
        row(3440, M, "ADS", {2372.224, 139.32, 357.76, 1393.2});
        row(3440, G, "PanelGames", {511.872, 201.24, 1816.32, 1269.36});
        row(3440, G, "BtnBack", {71.632, 16.936, 220, 220});
        row(3440, G, "DLInfo", {539.1168, 1216.728, 1761.8304, 211.4196});
        row(3440, G, "ProgressBarDownload", {44.0458, 75.4598, 1673.7389, 60.5});
        row(3440, G, "BtnCancel", {605.9152, -200.1206, 550, 107.6321});
        row(3440, C, "ChatPanel", {13.76, 798.6533, 1100.8, 733.8667});
        row(3440, C, "ChatAll", {0, 0, 1100.8, 663.6667});
    }

    void tellingRows() {
        QFETCH(int, screenWidth);
        QFETCH(Layout, layout);
        QFETCH(QString, element);
        QFETCH(QRectF, geometry);

        const std::vector<PlacedElement> placed = computeLayout(layout, inputFor(screenWidth));
        const PlacedElement *found = findPlaced(placed, element.toStdString());
        QVERIFY(found);
        const QRectF actual = found->geometry;
        QVERIFY2(near(actual.x(), geometry.x()) && near(actual.y(), geometry.y()) &&
                     near(actual.width(), geometry.width()) && near(actual.height(), geometry.height()),
                 qPrintable(QStringLiteral("got %1, %2, %3 x %4")
                                .arg(actual.x())
                                .arg(actual.y())
                                .arg(actual.width())
                                .arg(actual.height())));
    }

    void textSizedElementsTakeTheirTextsSize() {
        const std::vector<PlacedElement> placed = computeLayout(Layout::Main, inputFor(1920));
        const PlacedElement *title = findPlaced(placed, "TXTQuillbarrow");
        QVERIFY(title && title->fontSize);
        QCOMPARE(*title->fontSize, 30.f);
        QVERIFY(near(title->geometry.width(), 30 * 0.6 * 14));
        QVERIFY(near(title->geometry.x(), 1536 * 0.024));
        QVERIFY(near(title->geometry.y(), 69.12 * 0.5 - 36.0 / 2));

        // The server state's height is the small font unit, whatever its text measures.
        const PlacedElement *state = findPlaced(placed, "TXTServerState");
        QVERIFY(state);
        QCOMPARE(*state->fontSize, 19.f);
        QVERIFY(near(state->geometry.height(), 19));
        QVERIFY(near(state->geometry.x(), 1536 * 0.17));
        QVERIFY(near(state->geometry.y(), 69.12 * 0.5 - 19.0 / 2));
    }

    void updateButtonIsAsWideAsItsCaption() {
        for (const qsizetype characters : {6, 1, 12}) {
            const std::vector<PlacedElement> placed = computeLayout(Layout::Main, inputFor(1920, characters));
            const PlacedElement *button = findPlaced(placed, "BtnUpdate");
            QVERIFY(button && button->fontSize);
            QCOMPARE(*button->fontSize, 31.5f);
            QVERIFY(near(button->geometry.width(), 31.5 * double(characters)));
        }
    }

    void fontsFollowTheUnits_data() {
        QTest::addColumn<Layout>("layout");
        QTest::addColumn<QString>("element");
        QTest::addColumn<float>("size");

        QTest::newRow("BtnLogIn") << Layout::Main << QStringLiteral("BtnLogIn") << 30.f;
        QTest::newRow("EMailEdit") << Layout::Main << QStringLiteral("EMailEdit") << 19.f;
        QTest::newRow("CheckBoxSave") << Layout::Main << QStringLiteral("CheckBoxSave") << 19.f;
        QTest::newRow("TextUser") << Layout::Main << QStringLiteral("TextUser") << 21.f;
        QTest::newRow("ShopText1") << Layout::Main << QStringLiteral("ShopText1") << 21.f;
        QTest::newRow("SearchEdit") << Layout::Main << QStringLiteral("SearchEdit") << 21.f;
        QTest::newRow("BtnRegister") << Layout::Main << QStringLiteral("BtnRegister") << 21.f;
        QTest::newRow("InstText01") << Layout::Main << QStringLiteral("InstText01") << 30.f;
        QTest::newRow("InstText02 copies") << Layout::Main << QStringLiteral("InstText02") << 30.f;
        QTest::newRow("GameText02 copies") << Layout::Main << QStringLiteral("GameText02") << 21.f;
        QTest::newRow("BtnInvite") << Layout::Main << QStringLiteral("BtnInvite") << 30.f;
        QTest::newRow("NewsMemo") << Layout::Main << QStringLiteral("NewsMemo") << 19.f;
        QTest::newRow("LabelPerc") << Layout::GameDetail << QStringLiteral("LabelPerc") << 27.f;
        QTest::newRow("LabelGlobalSpeed") << Layout::GameDetail << QStringLiteral("LabelGlobalSpeed") << 21.f;
        QTest::newRow("DLText3 copies") << Layout::GameDetail << QStringLiteral("DLText3") << 21.f;
        QTest::newRow("ChatAll") << Layout::Chat << QStringLiteral("ChatAll") << 19.32f;
        QTest::newRow("ChatEdit copies") << Layout::Chat << QStringLiteral("ChatEdit") << 19.32f;
    }

    void fontsFollowTheUnits() {
        QFETCH(Layout, layout);
        QFETCH(QString, element);
        QFETCH(float, size);
        const std::vector<PlacedElement> placed = computeLayout(layout, inputFor(1920));
        const PlacedElement *found = findPlaced(placed, element.toStdString());
        QVERIFY(found && found->fontSize);
        QVERIFY2(qAbs(*found->fontSize - size) < 0.001f, qPrintable(QString::number(*found->fontSize)));
    }

    void chatInputSitsUnderTheHistory() {
        for (const int screen : {1024, 1920, 3440}) {
            const std::vector<PlacedElement> placed = computeLayout(Layout::Chat, inputFor(screen));
            const PlacedElement *panel = findPlaced(placed, "ChatPanel");
            const PlacedElement *history = findPlaced(placed, "ChatAll");
            const PlacedElement *input = findPlaced(placed, "ChatEdit");
            QVERIFY(panel && history && input);
            QVERIFY(near(history->geometry.bottom(), input->geometry.top()));
            QVERIFY(near(input->geometry.bottom(), panel->geometry.height()));
            QVERIFY(near(panel->windowGeometry.bottom(), mainWindowMetrics(screen).height * 0.99));
        }
    }

    void newsMemoIsPadded() {
        const std::vector<PlacedElement> placed = computeLayout(Layout::Main, inputFor(1920));
        const PlacedElement *memo = findPlaced(placed, "NewsMemo");
        QVERIFY(memo);
        const double width = memo->geometry.width();
        QVERIFY(near(memo->padding.left(), width * 0.1));
        QVERIFY(near(memo->padding.right(), width * 0.1));
        QVERIFY(near(memo->padding.top(), width * 0.12));
        QVERIFY(near(memo->padding.bottom(), width * 0.12));
        QVERIFY(memo->padding.top() * 2 < memo->geometry.height());
    }

    void tablesAreWellFormed_data() {
        QTest::addColumn<Layout>("layout");
        QTest::newRow("main") << Layout::Main;
        QTest::newRow("game detail") << Layout::GameDetail;
        QTest::newRow("chat") << Layout::Chat;
    }

    // Parents come first and every name a rule refers to is an element of the same layout.
    void tablesAreWellFormed() {
        QFETCH(Layout, layout);
        QSet<QString> seen;
        QSet<QString> all;
        for (const ElementRule &rule : layoutRules(layout))
            all.insert(name(rule.name));
        for (const ElementRule &rule : layoutRules(layout)) {
            const QString element = name(rule.name);
            QVERIFY2(!seen.contains(element), qPrintable(element));
            QVERIFY2(rule.parent.empty() || seen.contains(name(rule.parent)), qPrintable(element));
            for (const Measure &m : {rule.width, rule.height, rule.x, rule.y}) {
                QVERIFY2(m.kind != MeasureKind::None, qPrintable(element));
                QVERIFY2(m.ref.empty() || all.contains(name(m.ref)), qPrintable(element));
            }
            QVERIFY2(rule.font.ref.empty() || all.contains(name(rule.font.ref)), qPrintable(element));
            seen.insert(element);
        }
        // No element belongs to two layouts: each is placed by one routine only.
        for (const Layout other : allLayouts) {
            if (other == layout)
                continue;
            for (const ElementRule &rule : layoutRules(other))
                QVERIFY2(!all.contains(name(rule.name)), qPrintable(name(rule.name)));
        }
    }

    // Every element lies inside its parent (and the window) on small, common and very wide screens.
    // The download bar's cancel button and spinner are the exception the rules make: they are placed
    // by the detail panel's height, above the bar, but still inside the panel.
    void everythingFitsItsParent() {
        for (const int screen : {1024, 1280, 1920, 3440}) {
            for (const Layout layout : allLayouts) {
                const std::vector<PlacedElement> placed = computeLayout(layout, inputFor(screen));
                const QRectF window(QPointF(), inputFor(screen).window);
                for (const PlacedElement &element : placed) {
                    const QString label = QStringLiteral("%1 at %2").arg(name(element.name)).arg(screen);
                    QVERIFY2(element.geometry.width() > 0 && element.geometry.height() > 0,
                             qPrintable(label));
                    // The given rows of the login form, the side panel and the forward arrows overhang
                    // their parents by up to a pixel (0.54 + 0.921 / 2 > 1, 0.97 + 0.75 L / panel > 1).
                    QVERIFY2(inside(element.windowGeometry, window, 1.0), qPrintable(label));
                    const bool placedByPanel = element.name == "AniInd" || element.name == "BtnCancel";
                    const PlacedElement *parent =
                        placedByPanel ? findPlaced(placed, "PanelGames") : findPlaced(placed, element.parent);
                    if (parent)
                        QVERIFY2(inside(element.windowGeometry, parent->windowGeometry, 1.0),
                                 qPrintable(label));
                }
            }
        }
    }

    void runningAgainChangesNothing() {
        for (const Layout layout : allLayouts) {
            const std::vector<PlacedElement> first = computeLayout(layout, inputFor(1920));
            const std::vector<PlacedElement> second = computeLayout(layout, inputFor(1920));
            QCOMPARE(first.size(), second.size());
            for (std::size_t i = 0; i < first.size(); ++i) {
                QCOMPARE(first[i].windowGeometry, second[i].windowGeometry);
                QCOMPARE(first[i].fontSize, second[i].fontSize);
            }
        }
    }

    // Before the main layout has run (start-up order) the font units are still zero; nothing breaks.
    void zeroFontUnitsGiveEmptyButtonsNotGarbage() {
        LayoutInput input;
        input.window = QSizeF(808, 500);
        const std::vector<PlacedElement> placed = computeLayout(Layout::GameDetail, input);
        const PlacedElement *play = findPlaced(placed, "BtnPlay");
        QVERIFY(play);
        QCOMPARE(play->geometry.size(), QSizeF(0, 0));
        QVERIFY(near(findPlaced(placed, "PanelGames")->geometry.width(), 808 * 0.66));
    }
};

QTEST_GUILESS_MAIN(LayoutTest)
#include "LayoutTest.moc"
