#include "MainFormFixture.h"
#include "core/Layout.h"
#include "core/LayoutRule.h"
#include "gui/controls/ClickLabel.h"
#include "gui/controls/PictureControl.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr std::array AllLayouts{Layout::Main, Layout::GameDetail, Layout::Chat};

QString qName(std::string_view name) {
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

QRect inWindow(const QWidget *control, const QWidget *window) {
    return QRect(control->mapTo(window, QPoint()), control->size());
}

// Every element of the three layouts with its place in the window.
QHash<QString, QRect> placesOf(const TMainForm &window) {
    QHash<QString, QRect> places;
    for (Layout layout : AllLayouts)
        for (const ElementRule &rule : layoutRules(layout))
            if (const auto *control = window.findChild<const QWidget *>(qName(rule.name)))
                places.insert(control->objectName(), inWindow(control, &window));
    return places;
}

bool near(const QRect &actual, const QRect &expected) {
    return qAbs(actual.x() - expected.x()) <= 1 && qAbs(actual.y() - expected.y()) <= 1 &&
           qAbs(actual.width() - expected.width()) <= 1 && qAbs(actual.height() - expected.height()) <= 1;
}

#define QVERIFY_NEAR(actual, expected)                                                                       \
    QVERIFY2(near(actual, expected), qPrintable(u"%1,%2 %3x%4 instead of %5,%6 %7x%8"_s.arg(actual.x())      \
                                                    .arg(actual.y())                                         \
                                                    .arg(actual.width())                                     \
                                                    .arg(actual.height())                                    \
                                                    .arg(expected.x())                                       \
                                                    .arg(expected.y())                                       \
                                                    .arg(expected.width())                                   \
                                                    .arg(expected.height())))

} // namespace

// The scaling layout applied to the real main window on the test's X screen.
class WindowLayoutTest : public QObject {
    Q_OBJECT

    static bool onFullHdScreen() { return QGuiApplication::primaryScreen()->geometry().width() == 1920; }

private Q_SLOTS:
    void fontUnitsReachTheControls() {
        if (!onFullHdScreen())
            QSKIP("the numbers are those of a 1920 wide screen");
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;

        QCOMPARE(w.size(), QSize(1536, 864));
        QCOMPARE(w.LargeFontSize, 30.0f);
        QCOMPARE(w.BaseFontSize, 21.0f);
        QCOMPARE(w.SmallFontSize, 19.0f);

        const QList<std::pair<QWidget *, int>> fonts{
            {w.TXTQuillbarrow, 30}, {w.BtnLogIn, 30},   {w.InstText01, 30}, {w.InstText02, 30},
            {w.TextUser, 21},       {w.SearchEdit, 21}, {w.GameText02, 21}, {w.EMailEdit, 19},
            {w.CheckBoxSave, 19},   {w.NewsMemo, 19},   {w.BtnUpdate, 32},  {w.LabelGlobalSpeed, 21},
            {w.DLText3, 21},        {w.LabelPerc, 27},  {w.ChatAll, 19},    {w.ChatEdit, 19}};
        for (const auto &[control, size] : fonts)
            QVERIFY2(control->font().pixelSize() == size,
                     qPrintable(control->objectName() + u" has "_s +
                                QString::number(control->font().pixelSize())));
        // The caption width rule: as many font sizes (31.5) as "Update" has letters.
        QCOMPARE(w.BtnUpdate->width(), 189);
    }

    void tellingRowsOnTheRealControls() {
        if (!onFullHdScreen())
            QSKIP("the numbers are those of a 1920 wide screen");
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;

        QVERIFY_NEAR(w.StatusPanel->geometry(), QRect(0, 0, 1536, 69));
        QVERIFY_NEAR(w.BtnSettings->geometry(), QRect(1370, 24, 25, 22));
        QVERIFY_NEAR(w.PanelInfo->geometry(), QRect(0, 68, 261, 796));
        QVERIFY_NEAR(w.BtnHome->geometry(), QRect(39, 48, 183, 52));
        QVERIFY_NEAR(w.PanelHome->geometry(), QRect(286, 91, 1014, 752));
        QVERIFY_NEAR(w.ADS->geometry(), QRect(1324, 78, 200, 778));
        QVERIFY_NEAR(w.PanelGames->geometry(), QRect(286, 112, 1014, 708));
        QVERIFY_NEAR(w.BtnInstall->geometry(), QRect(327, 319, 360, 70));
        QVERIFY_NEAR(w.ChatPanel->geometry(), QRect(8, 446, 614, 410));
        QVERIFY_NEAR(w.ChatEdit->geometry(), QRect(0, 372, 614, 38));
        // Placed by the detail panel, above the download bar, where the install button was; in the window.
        QCOMPARE(w.BtnCancel->parentWidget(), &w);
        QVERIFY_NEAR(w.BtnCancel->geometry(), QRect(643, 568, 300, 59));
        QVERIFY(w.BtnCancel->geometry().bottom() < w.DLInfo->geometry().top());
    }

    // On every panel, with the chat and the download bar out, nothing visible leaves the window or
    // is cut off by its parent; activating the window again moves nothing.
    void everyVisibleElementFits() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        const QRect window = w.rect();
        QVERIFY(!window.isEmpty());

        // Texts changed since the start-up layout (the read-out reset) size their labels anew at the
        // first activation; from then on activating again moves nothing.
        w.FormActivate();
        const QHash<QString, QRect> before = placesOf(w);
        w.FormActivate();
        const QHash<QString, QRect> after = placesOf(w);
        for (auto place = before.cbegin(); place != before.cend(); ++place)
            QVERIFY2(after.value(place.key()) == place.value(), qPrintable(place.key() + u" moved"_s));

        w.JobBusy = true;
        w.BtnUpdate->show();
        w.ChatPanel->show();
        w.ChatEdit->show();
        for (quint16 panel : {0, 1, 2, 3, 4, 5, 10}) {
            f.navigate(panel);
            for (Layout layout : AllLayouts)
                for (const ElementRule &rule : layoutRules(layout)) {
                    const QString name = qName(rule.name);
                    const QWidget *control = w.findChild<const QWidget *>(name);
                    // The ad frame's web view is made by the first ad page only.
                    QVERIFY2(control || name == u"ADSBrowser"_s, qPrintable(name));
                    if (!control || !control->isVisibleTo(&w))
                        continue;
                    const QRect place = inWindow(control, &w);
                    const QString where = name + u" on panel "_s + QString::number(panel);
                    QVERIFY2(!place.isEmpty(), qPrintable(where + u" has no size"_s));
                    QVERIFY2(window.contains(place), qPrintable(where + u" leaves the window"_s));
                    // Text may spill by a pixel of rounding; a control is never cut off by its parent.
                    const QWidget *parent = control->parentWidget();
                    QVERIFY2(parent->rect().adjusted(-2, -2, 2, 2).contains(control->geometry()),
                             qPrintable(where + u" is cut off by "_s + parent->objectName()));
                }
        }
    }

    // Pictures of the login form and the home panel for a look by eye, left in the build folder.
    void screenshots() {
        MainFormFixture f;
        QVERIFY(f.startWithSkin());
        TMainForm &w = *f.form;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        const QString folder = QStringLiteral(SCREENSHOT_DIR);
        const QString suffix =
            onFullHdScreen() ? QString() : u"-"_s + QString::number(w.screen()->geometry().width());
        for (const auto &[panel, name] : {std::pair<quint16, QString>{0, u"login"_s}, {1, u"home"_s}}) {
            f.navigate(panel);
            w.FormActivate();
            QCoreApplication::processEvents();
            const QImage shot = w.grab().toImage();
            QCOMPARE(shot.size(), w.size() * w.devicePixelRatio());
            QVERIFY(shot.save(QDir(folder).filePath(name + suffix + u".png"_s)));
        }
    }
};

QTEST_MAIN(WindowLayoutTest)
#include "WindowLayoutTest.moc"
