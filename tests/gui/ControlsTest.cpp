#include "gui/controls/ClickLabel.h"
#include "gui/controls/MouseDownRelay.h"
#include "gui/controls/PictureControl.h"
#include "gui/controls/ProgressBar.h"
#include "gui/controls/Spinner.h"

#include <QPainter>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <limits>

namespace {

QImage rendered(QWidget &widget) {
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

int countPixels(const QImage &image, const std::function<bool(QColor)> &match) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += match(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

bool isGreen(QColor c) {
    return c.alpha() > 200 && c.green() > 120 && c.red() < 180 && c.blue() < 120;
}

} // namespace

class ControlsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void progressBarKeepsTheValueInRange() {
        ProgressBar bar;
        QCOMPARE(bar.maximum(), 100.0f);
        QCOMPARE(bar.value(), 0.0f);
        bar.setValue(150);
        QCOMPARE(bar.value(), 100.0f);
        // A larger maximum afterwards does not bring back what was cut off.
        bar.setMaximum(1000);
        QCOMPARE(bar.value(), 100.0f);
        bar.setValue(400);
        QCOMPARE(bar.fraction(), 0.4);
        bar.setMaximum(50);
        QCOMPARE(bar.value(), 50.0f);
        bar.setValue(-3);
        QCOMPARE(bar.value(), 0.0f);
        bar.setValue(std::numeric_limits<float>::quiet_NaN());
        QCOMPARE(bar.value(), 0.0f);
        bar.setValue(std::numeric_limits<float>::infinity());
        QCOMPARE(bar.value(), 50.0f);
        bar.setMaximum(-5);
        QCOMPARE(bar.maximum(), 0.0f);
        QCOMPARE(bar.value(), 0.0f);
        QCOMPARE(bar.fraction(), 0.0);
        bar.setMaximum(std::numeric_limits<float>::quiet_NaN());
        QCOMPARE(bar.maximum(), 0.0f);
    }

    void progressBarDrawsItsShareAndNeverABusyBar() {
        ProgressBar bar;
        bar.resize(200, 20);
        bar.setMaximum(0);
        QCOMPARE(countPixels(rendered(bar), isGreen), 0);
        bar.setMaximum(100);
        bar.setValue(50);
        const int half = countPixels(rendered(bar), isGreen);
        QVERIFY(half > 0);
        bar.setValue(100);
        const int full = countPixels(rendered(bar), isGreen);
        QVERIFY2(full > half * 3 / 2, qPrintable(QStringLiteral("%1 %2").arg(half).arg(full)));
    }

    void pictureIsDrawnStretchedWithOpacityAndScale() {
        QPixmap red(2, 2);
        red.fill(Qt::red);
        PictureControl control;
        control.resize(40, 20);
        control.setPicture(red);
        const auto isRed = [](QColor c) { return c.red() > 200 && c.green() < 50 && c.alpha() > 200; };
        QCOMPARE(countPixels(rendered(control), isRed), 40 * 20);

        control.setScaleX(0.5);
        control.setScaleY(0.5);
        const QImage half = rendered(control);
        QCOMPARE(countPixels(half, isRed), 20 * 10);
        QVERIFY(isRed(half.pixelColor(20, 10)));
        QCOMPARE(half.pixelColor(1, 1).alpha(), 0);

        control.setScaleX(1);
        control.setScaleY(1);
        control.setOpacity(0);
        QCOMPARE(countPixels(rendered(control), [](QColor c) { return c.alpha() > 0; }), 0);
        control.setOpacity(0.8);
        const int alpha = rendered(control).pixelColor(5, 5).alpha();
        QVERIFY2(alpha >= 200 && alpha <= 208, qPrintable(QString::number(alpha)));
    }

    void pictureReportsLeftClicksOnly() {
        QWidget parent;
        auto *control = new PictureControl(&parent);
        control->resize(30, 30);
        QSignalSpy clicked(control, &PictureControl::clicked);
        QTest::mouseClick(control, Qt::LeftButton);
        QCOMPARE(clicked.size(), 1);
        QTest::mouseClick(control, Qt::RightButton);
        QCOMPARE(clicked.size(), 1);
        // Released outside: no click.
        QTest::mousePress(control, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(control, Qt::LeftButton, {}, QPoint(60, 5));
        QCOMPARE(clicked.size(), 1);
        // Disabled controls take no clicks.
        control->setEnabled(false);
        QTest::mouseClick(control, Qt::LeftButton);
        QCOMPARE(clicked.size(), 1);
    }

    void clickLabelReportsClicks() {
        ClickLabel label(QStringLiteral("Quillbarrow"));
        label.resize(100, 20);
        QSignalSpy clicked(&label, &ClickLabel::clicked);
        QTest::mouseClick(&label, Qt::LeftButton);
        QCOMPARE(clicked.size(), 1);
    }

    void relayTakesPressesOfAnyButton() {
        QWidget window;
        int pressed = 0;
        MouseDownRelay relay([&](QWidget *) { ++pressed; }, &window);
        auto *surface = new PictureControl(&window);
        surface->resize(50, 50);
        auto *memo = new QPlainTextEdit(QStringLiteral("some text"), &window);
        relay.watch(surface);
        relay.watch(memo);
        QSignalSpy clicked(surface, &PictureControl::clicked);
        QTest::mouseClick(surface, Qt::LeftButton);
        QTest::mousePress(surface, Qt::MiddleButton);
        QCOMPARE(pressed, 2);
        // The surface itself no longer sees the press.
        QCOMPARE(clicked.size(), 0);
        QTest::mousePress(memo->viewport(), Qt::LeftButton);
        QCOMPARE(pressed, 3);
    }

    void spinnerTurnsOnlyWhileShown() {
        Spinner spinner;
        spinner.resize(24, 24);
        QVERIFY(!spinner.isTurning());
        spinner.show();
        QVERIFY(spinner.isTurning());
        spinner.hide();
        QVERIFY(!spinner.isTurning());
    }
};

QTEST_MAIN(ControlsTest)
#include "ControlsTest.moc"
