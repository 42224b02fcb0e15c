#include "gui/controls/PictureControl.h"
#include "gui/controls/ProgressBar.h"

#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <limits>

namespace {

int countPixels(QWidget &widget, const std::function<bool(QColor)> &match) {
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += match(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

} // namespace

class ControlsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void progressBarKeepsTheValueInRangeAndDrawsItsShare() {
        ProgressBar bar;
        bar.resize(200, 20);
        bar.setValue(150);
        QCOMPARE(bar.value(), 100.0f);
        // A larger maximum afterwards does not bring back what was cut off.
        bar.setMaximum(1000);
        QCOMPARE(bar.value(), 100.0f);
        bar.setValue(std::numeric_limits<float>::quiet_NaN());
        QCOMPARE(bar.value(), 0.0f);
        bar.setValue(std::numeric_limits<float>::infinity());
        QCOMPARE(bar.value(), 1000.0f);
        bar.setMaximum(-5);
        QCOMPARE(bar.fraction(), 0.0);

        const auto green = [](QColor c) { return c.alpha() > 200 && c.green() > 120 && c.red() < 180; };
        QCOMPARE(countPixels(bar, green), 0); // no maximum: never a busy bar
        bar.setMaximum(100);
        bar.setValue(50);
        const int half = countPixels(bar, green);
        bar.setValue(100);
        QVERIFY2(half > 0 && countPixels(bar, green) > half * 3 / 2, qPrintable(QString::number(half)));
    }

    void pictureIsDrawnStretchedWithOpacityAndScale() {
        QPixmap red(2, 2);
        red.fill(Qt::red);
        PictureControl control;
        control.resize(40, 20);
        control.setPicture(red);
        const auto isRed = [](QColor c) { return c.red() > 200 && c.green() < 50 && c.alpha() > 200; };
        QCOMPARE(countPixels(control, isRed), 40 * 20);
        control.setScaleX(0.5);
        control.setScaleY(0.5);
        QCOMPARE(countPixels(control, isRed), 20 * 10);
        control.setScaleX(1);
        control.setScaleY(1);
        control.setOpacity(0);
        QCOMPARE(countPixels(control, [](QColor c) { return c.alpha() > 0; }), 0);
    }

    void pictureReportsLeftClicksOnly() {
        QWidget window;
        auto *control = new PictureControl(&window);
        control->resize(30, 30);
        QSignalSpy clicked(control, &PictureControl::clicked);
        QTest::mouseClick(control, Qt::LeftButton);
        QTest::mouseClick(control, Qt::RightButton);
        // Released outside: no click.
        QTest::mousePress(control, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(control, Qt::LeftButton, {}, QPoint(60, 5));
        QCOMPARE(clicked.size(), 1);
    }
};

QTEST_MAIN(ControlsTest)
#include "ControlsTest.moc"
