#include "core/Layout.h"

#include <QSet>
#include <QTest>

namespace {

// Stands in for the window's font metrics (a usual line height), independent of any font file.
LayoutInput inputFor(int screenWidth, qsizetype updateCaption = 6) {
    const WindowMetrics metrics = mainWindowMetrics(screenWidth);
    LayoutInput input;
    input.window = QSizeF(metrics.width, metrics.height);
    input.fonts = metrics.fonts;
    input.textSize = [](std::string_view name, float size) {
        return QSizeF(size * 0.6 * double(name.size()), size * 1.2);
    };
    input.captionLength = [updateCaption](std::string_view) { return updateCaption; };
    return input;
}

QString name(std::string_view text) {
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

bool near(double a, double b) {
    return qAbs(a - b) < 0.01;
}

bool nearRect(const QRectF &a, const QRectF &b) {
    return near(a.x(), b.x()) && near(a.y(), b.y()) && near(a.width(), b.width()) &&
           near(a.height(), b.height());
}

bool inside(const QRectF &inner, const QRectF &outer, double slack) {
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
        QTest::addColumn<QList<float>>("expected"); // width, height, large, base, small font
        QTest::newRow("1920") << 1920 << QList<float>{1536, 864, 30, 21, 19};
        QTest::newRow("1024") << 1024 << QList<float>{819, 460, 16, 11, 10};
        QTest::newRow("3440, taller than its screen") << 3440 << QList<float>{2752, 1548, 55, 39, 34};
        QTest::newRow("no screen") << 0 << QList<float>{0, 0, 0, 0, 0};
    }
    void windowFollowsTheScreenWidth() {
        QFETCH(int, screenWidth);
        const WindowMetrics m = mainWindowMetrics(screenWidth);
        QTEST((QList<float>{float(m.width), float(m.height), m.fonts.LargeFontSize, m.fonts.BaseFontSize,
                            m.fonts.SmallFontSize}),
              "expected");
    }

    // Worked out from the rules by hand; x and y are the element's own, inside its parent.
    void placesAsWorkedByHand_data() {
        QTest::addColumn<int>("screenWidth");
        QTest::addColumn<Layout>("layout");
        QTest::addColumn<QString>("element");
        QTest::addColumn<QRectF>("geometry");
        const auto row = [](int screen, Layout layout, const char *element, QRectF rect) {
            QTest::addRow("%d %s", screen, element)
                << screen << layout << QString::fromLatin1(element) << rect;
        };
        const Layout M = Layout::Main, G = Layout::GameDetail, C = Layout::Chat;
        row(1920, M, "StatusPanel", {0, 0, 1536, 69.12});
        row(1920, M, "LogOutBtn", {1183.8, 23.7072, 90, 30});
        row(1920, M, "BtnUpdate", {673.5, 10.935, 189, 47.25});
        row(1920, M, "BtnExit", {1462.272, 23.5008, 24.576, 22.1184});
        row(1920, M, "PanelInfo", {0, 68.688, 261.12, 795.744});
        row(1920, M, "BtnSocial", {39.168, 286.4678, 182.784, 52.224});
        row(1920, M, "ShopBtn02", {141.9264, 456.7069, 324.4032, 214.1061});
        row(1920, M, "BtnRightShop", {467.055, 706.6296, 79.65, 45});
        row(1920, M, "ADS", {1324.032, 77.76, 199.68, 777.6});
        row(1920, G, "BtnPlay", {326.88, 177.3190, 360, 70.4501});
        row(1920, G, "DLInfo", {300.9024, 679.104, 983.3472, 118.0017});
        row(1920, G, "ProgressBarDownload", {24.5837, 42.5008, 934.1798, 33});
        row(1920, G, "BtnCancel", {341.6736, -111.0126, 300, 58.7084});
        row(1920, C, "ChatAll", {0, 0, 614.4, 371.8});
        row(1920, C, "ChatEdit", {0, 371.8, 614.4, 37.8});
        row(1280, M, "PanelStore", {190.464, 60.48, 675.84, 501.12});
        row(1280, G, "BtnCancel", {227.7824, -74.0084, 200, 39.1389});
        row(3440, M, "LogOutBtn", {2119.1, 41.8504, 165, 55});
        row(3440, G, "BtnBack", {71.632, 16.936, 220, 220});
        row(3440, C, "ChatPanel", {13.76, 798.6533, 1100.8, 733.8667});
    }
    void placesAsWorkedByHand() {
        QFETCH(int, screenWidth);
        QFETCH(Layout, layout);
        QFETCH(QString, element);
        QFETCH(QRectF, geometry);
        const std::vector<PlacedElement> placed = computeLayout(layout, inputFor(screenWidth));
        const PlacedElement *found = findPlaced(placed, element.toStdString());
        QVERIFY(found);
        const QRectF r = found->geometry;
        QVERIFY2(
            nearRect(r, geometry),
            qPrintable(
                QStringLiteral("got %1, %2, %3 x %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())));
    }

    void fontsFollowTheUnits_data() {
        QTest::addColumn<Layout>("layout");
        QTest::addColumn<QString>("element");
        QTest::addColumn<float>("size");
        QTest::newRow("BtnLogIn") << Layout::Main << QStringLiteral("BtnLogIn") << 30.f;
        QTest::newRow("EMailEdit") << Layout::Main << QStringLiteral("EMailEdit") << 19.f;
        QTest::newRow("InstText02 copies") << Layout::Main << QStringLiteral("InstText02") << 30.f;
        QTest::newRow("BtnUpdate") << Layout::Main << QStringLiteral("BtnUpdate") << 31.5f;
        QTest::newRow("LabelPerc") << Layout::GameDetail << QStringLiteral("LabelPerc") << 27.f;
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

    // Text-sized elements take their text's size, the server state the small font unit's height, the
    // update button a font unit per caption character, the news memo its padding.
    void textSizedElements() {
        const std::vector<PlacedElement> placed = computeLayout(Layout::Main, inputFor(1920, 12));
        const PlacedElement *title = findPlaced(placed, "TXTQuillbarrow");
        QVERIFY(title);
        QVERIFY(nearRect(title->geometry, QRectF(1536 * 0.024, 69.12 * 0.5 - 18, 30 * 0.6 * 14, 36)));
        const PlacedElement *state = findPlaced(placed, "TXTServerState");
        QVERIFY(state && near(state->geometry.height(), 19) && near(state->geometry.y(), 69.12 * 0.5 - 9.5));
        QVERIFY(near(findPlaced(placed, "BtnUpdate")->geometry.width(), 31.5 * 12));
        const PlacedElement *memo = findPlaced(placed, "NewsMemo");
        QVERIFY(memo);
        const double width = memo->geometry.width();
        const QMarginsF pad = memo->padding;
        QVERIFY(near(pad.left(), width * 0.1) && near(pad.right(), width * 0.1) &&
                near(pad.top(), width * 0.12) && near(pad.bottom(), width * 0.12));
    }

    // Parents come first, every name a rule refers to is an element of the same layout, and no
    // element belongs to two layouts.
    void tablesAreWellFormed() {
        QSet<QString> everywhere;
        for (const Layout layout : allLayouts) {
            QSet<QString> seen, all;
            for (const ElementRule &rule : layoutRules(layout))
                all.insert(name(rule.name));
            QVERIFY(!all.intersects(everywhere));
            everywhere.unite(all);
            for (const ElementRule &rule : layoutRules(layout)) {
                const QString element = name(rule.name);
                QVERIFY2(!seen.contains(element), qPrintable(element));
                QVERIFY2(rule.parent.empty() || seen.contains(name(rule.parent)), qPrintable(element));
                for (const Measure &m : {rule.width, rule.height, rule.x, rule.y})
                    QVERIFY2(m.kind != MeasureKind::None && (m.ref.empty() || all.contains(name(m.ref))),
                             qPrintable(element));
                QVERIFY2(rule.font.ref.empty() || all.contains(name(rule.font.ref)), qPrintable(element));
                seen.insert(element);
            }
        }
    }

    // Every element lies inside its parent and the window on small, common and very wide screens.
    // The download bar's cancel button and spinner are placed by the detail panel, above the bar.
    // The login form's rows, the side panel and the forward arrows overhang by up to a pixel.
    void everythingFitsItsParent() {
        for (const int screen : {1024, 1280, 1920, 3440}) {
            const QRectF window(QPointF(), inputFor(screen).window);
            for (const Layout layout : allLayouts) {
                const std::vector<PlacedElement> placed = computeLayout(layout, inputFor(screen));
                for (const PlacedElement &element : placed) {
                    const QString label = QStringLiteral("%1 at %2").arg(name(element.name)).arg(screen);
                    QVERIFY2(!element.geometry.isEmpty(), qPrintable(label));
                    QVERIFY2(inside(element.windowGeometry, window, 1.0), qPrintable(label));
                    const bool byPanel = element.name == "AniInd" || element.name == "BtnCancel";
                    const PlacedElement *parent = findPlaced(placed, byPanel ? "PanelGames" : element.parent);
                    QVERIFY2(!parent || inside(element.windowGeometry, parent->windowGeometry, 1.0),
                             qPrintable(label));
                }
            }
        }
    }

    // Before the main layout has run (start-up order) the font units are zero; nothing breaks.
    void zeroFontUnitsGiveEmptyButtons() {
        LayoutInput input;
        input.window = QSizeF(808, 500);
        const std::vector<PlacedElement> placed = computeLayout(Layout::GameDetail, input);
        QCOMPARE(findPlaced(placed, "BtnPlay")->geometry.size(), QSizeF(0, 0));
        QVERIFY(near(findPlaced(placed, "PanelGames")->geometry.width(), 808 * 0.66));
    }
};

QTEST_GUILESS_MAIN(LayoutTest)
#include "LayoutTest.moc"
