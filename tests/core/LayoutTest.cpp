#include "core/Layout.h"

#include <QTest>

namespace {

// Stands in for the window's font metrics (a usual line height) and captions of six characters.
LayoutInput inputFor(int screenWidth) {
    const WindowMetrics metrics = mainWindowMetrics(screenWidth);
    LayoutInput input;
    input.window = QSizeF(metrics.width, metrics.height);
    input.fonts = metrics.fonts;
    input.textSize = [](std::string_view name, float size) {
        return QSizeF(size * 0.6 * double(name.size()), size * 1.2);
    };
    input.captionLength = [](std::string_view) { return qsizetype(6); };
    return input;
}

bool nearRect(const QRectF &a, const QRectF &b) {
    const QRectF d(a.topLeft() - b.topLeft(), a.size() - b.size());
    return qAbs(d.x()) < 0.01 && qAbs(d.y()) < 0.01 && qAbs(d.width()) < 0.01 && qAbs(d.height()) < 0.01;
}

// Inside with a pixel to spare.
bool inside(const QRectF &inner, const QRectF &outer) {
    return outer.adjusted(-1, -1, 1, 1).contains(inner);
}

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
        QTest::addColumn<QRectF>("geometry"); // null: none checked
        QTest::addColumn<float>("font");      // 0: none checked
        const auto row = [](int screen, Layout layout, const char *element, QRectF rect, float font = 0) {
            QTest::addRow("%d %s", screen, element)
                << screen << layout << QString::fromLatin1(element) << rect << font;
        };
        const Layout M = Layout::Main, G = Layout::GameDetail, C = Layout::Chat;
        row(1920, M, "TXTQuillbarrow", {36.864, 16.56, 252, 36}, 30); // its text's size
        row(1920, M, "TXTServerState", {261.12, 25.06, 159.6, 19}, 19);
        row(1920, M, "EMailEdit", {}, 19);
        row(1920, M, "InstText02", {}, 30); // copies another element's font
        row(1920, M, "LogOutBtn", {1183.8, 23.7072, 90, 30});
        row(1920, M, "BtnUpdate", {673.5, 10.935, 189, 47.25}, 31.5); // a font unit per caption character
        row(1920, M, "ShopBtn02", {141.9264, 456.7069, 324.4032, 214.1061});
        row(1920, G, "BtnPlay", {326.88, 177.3190, 360, 70.4501});
        row(1920, G, "BtnCancel", {341.6736, -111.0126, 300, 58.7084});
        row(1920, C, "ChatEdit", {0, 371.8, 614.4, 37.8}, 19.32f);
        row(3440, G, "DLInfo", {539.1168, 1216.728, 1761.8304, 211.4196});
        row(3440, C, "ChatPanel", {13.76, 798.6533, 1100.8, 733.8667});
    }
    void placesAsWorkedByHand() {
        QFETCH(int, screenWidth);
        QFETCH(Layout, layout);
        QFETCH(QString, element);
        QFETCH(QRectF, geometry);
        QFETCH(float, font);
        const std::vector<PlacedElement> placed = computeLayout(layout, inputFor(screenWidth));
        const PlacedElement *found = findPlaced(placed, element.toStdString());
        QVERIFY(found);
        const QRectF r = found->geometry;
        QVERIFY2(
            geometry.isNull() || nearRect(r, geometry),
            qPrintable(
                QStringLiteral("got %1, %2, %3 x %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())));
        QVERIFY(font == 0 || (found->fontSize && qAbs(*found->fontSize - font) < 0.001f));
    }

    // Every element lies inside its parent and the window on small, common and very wide screens.
    // The download bar's cancel button and spinner are placed by the detail panel, above the bar.
    // The login form's rows, the side panel and the forward arrows overhang by up to a pixel.
    void everythingFitsItsParent() {
        for (const int screen : {1024, 1280, 1920, 3440}) {
            const QRectF window(QPointF(), inputFor(screen).window);
            for (const Layout layout : {Layout::Main, Layout::GameDetail, Layout::Chat}) {
                const std::vector<PlacedElement> placed = computeLayout(layout, inputFor(screen));
                for (const PlacedElement &element : placed) {
                    const QString label =
                        QStringLiteral("%1 at %2").arg(QString::fromLatin1(element.name)).arg(screen);
                    QVERIFY2(!element.geometry.isEmpty(), qPrintable(label));
                    QVERIFY2(inside(element.windowGeometry, window), qPrintable(label));
                    const bool byPanel = element.name == "AniInd" || element.name == "BtnCancel";
                    const PlacedElement *parent = findPlaced(placed, byPanel ? "PanelGames" : element.parent);
                    QVERIFY2(!parent || inside(element.windowGeometry, parent->windowGeometry),
                             qPrintable(label));
                }
            }
        }
    }
};

QTEST_GUILESS_MAIN(LayoutTest)
#include "LayoutTest.moc"
