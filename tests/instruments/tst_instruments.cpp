#include "instruments/DialGauge.h"
#include "instruments/Lamp.h"

#include <QImage>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

bool near(QRgb pixel, const QColor &colour, int tolerance = 30)
{
    return std::abs(qRed(pixel) - colour.red()) <= tolerance && std::abs(qGreen(pixel) - colour.green()) <= tolerance
           && std::abs(qBlue(pixel) - colour.blue()) <= tolerance;
}

int countNear(const QImage &image, const QColor &colour, int tolerance = 30)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += near(image.pixel(x, y), colour, tolerance);
    return count;
}

QImage picture(QWidget &widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The lamps as the main window sets them up, at their real sizes.
void setUpLed(Lamp &lamp)
{
    lamp.setShape(Lamp::Shape::SquareLed);
    lamp.setCaption("Logging On/Off");
    lamp.setOffColor(QColor(255, 0, 0));
    lamp.setOnColor(QColor(0, 255, 0));
    lamp.resize(89, 33);
}

void setUpBar(Lamp &lamp)
{
    lamp.setShape(Lamp::Shape::TallBar);
    lamp.setOffColor(QColor(0, 255, 0));
    lamp.setOnColor(QColor(255, 0, 0));
    lamp.setOffText("OK");
    lamp.setOnText("High");
    lamp.resize(25, 57);
}

void setUpGauge(DialGauge &gauge, double max, double major, double minor)
{
    gauge.setScale(0, max);
    gauge.setMarks(major, minor);
    gauge.resize(137, 57);
}

// Where the red needle lies: the centre of its pixels, and how many there are.
struct Needle
{
    QPointF centre;
    int pixels = 0;
};

Needle findNeedle(const QImage &image)
{
    Needle needle;
    double sx = 0, sy = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qRed(p) > 150 && qGreen(p) < 90 && qBlue(p) < 90) {
                sx += x;
                sy += y;
                ++needle.pixels;
            }
        }
    if (needle.pixels)
        needle.centre = QPointF(sx / needle.pixels, sy / needle.pixels);
    return needle;
}

} // namespace

class tst_instruments : public QObject
{
    Q_OBJECT
private slots:
    void lampReportsClicksWithoutToggling_data()
    {
        QTest::addColumn<Lamp::Shape>("shape");
        QTest::addColumn<bool>("value");
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<int>("clicks");
        QTest::newRow("led off, left click") << Lamp::Shape::SquareLed << false << "left" << 1;
        QTest::newRow("led on, left click") << Lamp::Shape::SquareLed << true << "left" << 1;
        QTest::newRow("bar on, left click") << Lamp::Shape::TallBar << true << "left" << 1;
        QTest::newRow("right click") << Lamp::Shape::SquareLed << true << "right" << 0;
        QTest::newRow("released outside") << Lamp::Shape::SquareLed << true << "dragged off" << 0;
        QTest::newRow("space bar") << Lamp::Shape::SquareLed << true << "space" << 1;
        QTest::newRow("other key") << Lamp::Shape::SquareLed << true << "enter" << 0;
    }
    void lampReportsClicksWithoutToggling()
    {
        QFETCH(Lamp::Shape, shape);
        QFETCH(bool, value);
        QFETCH(QString, gesture);
        QFETCH(int, clicks);
        Lamp lamp(shape);
        QCOMPARE(lamp.Value(), false);
        lamp.resize(lamp.sizeHint());
        lamp.setValue(value);
        QSignalSpy spy(&lamp, &Lamp::clicked);
        if (gesture == "left") {
            QTest::mouseClick(&lamp, Qt::LeftButton);
        } else if (gesture == "right") {
            QTest::mouseClick(&lamp, Qt::RightButton);
        } else if (gesture == "dragged off") {
            QTest::mousePress(&lamp, Qt::LeftButton, {}, QPoint(5, 5));
            QTest::mouseRelease(&lamp, Qt::LeftButton, {}, QPoint(200, 5));
        } else {
            QTest::keyClick(&lamp, gesture == "space" ? Qt::Key_Space : Qt::Key_Return);
        }
        QCOMPARE(spy.count(), clicks);
        QCOMPARE(lamp.Value(), value);
    }

    void lampShowsColourOfItsState_data()
    {
        QTest::addColumn<Lamp::Shape>("shape");
        QTest::addColumn<QColor>("onColour");
        QTest::addColumn<QColor>("offColour");
        QTest::addColumn<bool>("value");
        QTest::addColumn<int>("minimumPixels");
        const QColor green(0, 255, 0), red(255, 0, 0), blue(0, 0, 255), yellow(255, 255, 0);
        // The LED face is about 13 x 13 of the lamp; the bar fills most of it.
        QTest::newRow("led off, red") << Lamp::Shape::SquareLed << green << red << false << 60;
        QTest::newRow("led on, green") << Lamp::Shape::SquareLed << green << red << true << 60;
        QTest::newRow("led, other colours") << Lamp::Shape::SquareLed << blue << yellow << true << 60;
        QTest::newRow("bar off, green") << Lamp::Shape::TallBar << red << green << false << 500;
        QTest::newRow("bar on, red") << Lamp::Shape::TallBar << red << green << true << 500;
        QTest::newRow("bar, other colours") << Lamp::Shape::TallBar << yellow << blue << false << 500;
    }
    void lampShowsColourOfItsState()
    {
        QFETCH(Lamp::Shape, shape);
        QFETCH(QColor, onColour);
        QFETCH(QColor, offColour);
        QFETCH(bool, value);
        QFETCH(int, minimumPixels);
        Lamp lamp(shape);
        lamp.resize(lamp.sizeHint());
        lamp.setOnColor(onColour);
        lamp.setOffColor(offColour);
        lamp.setValue(value);
        const QImage image = picture(lamp);
        const QColor shown = value ? onColour : offColour;
        const QColor other = value ? offColour : onColour;
        QVERIFY2(countNear(image, shown) >= minimumPixels, qPrintable(QString::number(countNear(image, shown))));
        QCOMPARE(countNear(image, other), 0);
        // The lamp's centre of light is the colour itself, not a tint of it.
        const QPoint centre = shape == Lamp::Shape::TallBar ? QPoint(lamp.width() * 2 / 3, lamp.height() - 8)
                                                            : QPoint(10, lamp.height() / 2);
        QVERIFY(near(image.pixel(centre), shown, 40));
    }

    void lettersUseWindowTextColour_data()
    {
        QTest::addColumn<Lamp::Shape>("shape");
        QTest::addColumn<bool>("value");
        QTest::newRow("led caption") << Lamp::Shape::SquareLed << false;
        QTest::newRow("bar off text") << Lamp::Shape::TallBar << false;
        QTest::newRow("bar on text") << Lamp::Shape::TallBar << true;
    }
    void lettersUseWindowTextColour()
    {
        QFETCH(Lamp::Shape, shape);
        QFETCH(bool, value);
        Lamp lamp;
        if (shape == Lamp::Shape::TallBar)
            setUpBar(lamp);
        else
            setUpLed(lamp);
        lamp.setValue(value);
        const QImage plain = picture(lamp);
        QPalette palette = lamp.palette();
        palette.setColor(QPalette::WindowText, QColor(0, 0, 160));
        lamp.setPalette(palette);
        const QImage inked = picture(lamp);
        // Small letters are mostly edge, blended with what lies under them:
        // count the pixels where the blue ink clearly dominates.
        auto inkPixels = [](const QImage &image) {
            int count = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QRgb p = image.pixel(x, y);
                    count += qBlue(p) > qRed(p) + 40 && qBlue(p) > qGreen(p) + 40;
                }
            return count;
        };
        QCOMPARE(inkPixels(plain), 0);
        QVERIFY2(inkPixels(inked) >= 8, qPrintable(QString::number(inkPixels(inked))));
    }

    void captionBreaksAtSpacesOnly_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("width");
        QTest::addColumn<QStringList>("lines");

        // At the main window's size, and wider or narrower.
        QTest::newRow("logging lamp") << "Logging On/Off" << 89 << QStringList{"Logging", "On/Off"};
        QTest::newRow("serial lamp") << "Serial Comms" << 89 << QStringList{"Serial", "Comms"};
        QTest::newRow("room for one line") << "Logging On/Off" << 200 << QStringList{"Logging On/Off"};
        QTest::newRow("too narrow for a word") << "Logging On/Off" << 40 << QStringList{"Logging", "On/Off"};
        QTest::newRow("spaces run together") << "  Serial   Comms " << 200 << QStringList{"Serial Comms"};
    }

    void captionBreaksAtSpacesOnly()
    {
        QFETCH(QString, caption);
        QFETCH(int, width);
        Lamp lamp;
        setUpLed(lamp);
        lamp.setCaption(caption);
        lamp.resize(width, 33);
        QTEST(lamp.captionLines(), "lines");
    }

    void barShowsTextOfCurrentStateOnly()
    {
        Lamp lamp;
        setUpBar(lamp);
        QCOMPARE(lamp.text(), QString("OK"));
        const QImage withOk = picture(lamp);
        lamp.setOffText(QString());
        QVERIFY(picture(lamp) != withOk);

        lamp.setValue(true);
        QCOMPARE(lamp.text(), QString("High"));
        const QImage high = picture(lamp);
        lamp.setOffText("Low");
        QCOMPARE(picture(lamp), high);
        // A lit range lamp may be relabelled while it shows.
        lamp.setOnText("Low");
        QCOMPARE(lamp.text(), QString("Low"));
        QVERIFY(picture(lamp) != high);
    }

    void gaugeKeepsValueAsSet_data()
    {
        QTest::addColumn<double>("value");
        QTest::newRow("zero") << 0.0;
        QTest::newRow("in scale") << 375.0;
        QTest::newRow("full scale") << 400.0;
        QTest::newRow("above upper lamp limit") << 412.0;
        QTest::newRow("far above") << 1e9;
        QTest::newRow("negative") << -5.0;
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity();
    }
    void gaugeKeepsValueAsSet()
    {
        QFETCH(double, value);
        DialGauge gauge;
        QCOMPARE(gauge.Value(), 0.0);
        setUpGauge(gauge, 400, 100, 50);
        gauge.setValue(value);
        QCOMPARE(gauge.Value(), value);
    }

    void gaugeRefusesNotANumber()
    {
        DialGauge gauge;
        setUpGauge(gauge, 400, 100, 50);
        gauge.setValue(380);
        const QImage before = picture(gauge);
        gauge.setValue(std::numeric_limits<double>::quiet_NaN());
        QCOMPARE(gauge.Value(), 380.0);
        QCOMPARE(picture(gauge), before);
    }

    void needlePointsAtValue_data()
    {
        QTest::addColumn<double>("max");
        QTest::addColumn<double>("major");
        QTest::addColumn<double>("minor");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("side");
        QTest::newRow("400 V at 0") << 400.0 << 100.0 << 50.0 << 0.0 << "left";
        QTest::newRow("400 V at 200") << 400.0 << 100.0 << 50.0 << 200.0 << "up";
        QTest::newRow("400 V at 400") << 400.0 << 100.0 << 50.0 << 400.0 << "right";
        QTest::newRow("48 V at 0") << 60.0 << 20.0 << 10.0 << 0.0 << "left";
        QTest::newRow("48 V at 30") << 60.0 << 20.0 << 10.0 << 30.0 << "up";
        QTest::newRow("48 V at 60") << 60.0 << 20.0 << 10.0 << 60.0 << "right";
    }
    void needlePointsAtValue()
    {
        QFETCH(double, max);
        QFETCH(double, major);
        QFETCH(double, minor);
        QFETCH(double, value);
        QFETCH(QString, side);
        DialGauge gauge;
        setUpGauge(gauge, max, major, minor);
        gauge.setValue(value);
        const Needle needle = findNeedle(picture(gauge));
        QVERIFY2(needle.pixels >= 20, qPrintable(QString::number(needle.pixels)));
        // The needle's pixels centre half its length from the pivot, which
        // stands low in the middle.
        const double dx = needle.centre.x() - gauge.width() / 2.0;
        const double y = needle.centre.y() / gauge.height();
        const bool pointsThere = side == "left"    ? dx < -10 && y > 0.7
                                 : side == "right" ? dx > 10 && y > 0.7
                                                   : std::abs(dx) < 2 && y < 0.65;
        QVERIFY2(pointsThere, qPrintable(QString("%1,%2").arg(needle.centre.x()).arg(needle.centre.y())));
    }

    void needleStopsAtScaleEnds_data()
    {
        QTest::addColumn<double>("max");
        QTest::addColumn<double>("beyond");
        QTest::addColumn<double>("endStop");
        QTest::newRow("400 V over") << 400.0 << 412.0 << 400.0;
        QTest::newRow("400 V far over") << 400.0 << 1e12 << 400.0;
        QTest::newRow("400 V infinite") << 400.0 << std::numeric_limits<double>::infinity() << 400.0;
        QTest::newRow("400 V under") << 400.0 << -5.0 << 0.0;
        QTest::newRow("48 V over") << 60.0 << 75.0 << 60.0;
        QTest::newRow("48 V under") << 60.0 << -0.5 << 0.0;
    }
    void needleStopsAtScaleEnds()
    {
        QFETCH(double, max);
        QFETCH(double, beyond);
        QFETCH(double, endStop);
        DialGauge gauge;
        setUpGauge(gauge, max, max / 4, max / 8);
        gauge.setValue(endStop);
        const QImage atStop = picture(gauge);
        gauge.setValue(max / 2);
        QVERIFY(picture(gauge) != atStop);
        gauge.setValue(beyond);
        QCOMPARE(picture(gauge), atStop);
    }

    void degenerateScalesStillDraw_data()
    {
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<double>("major");
        QTest::addColumn<double>("minor");
        QTest::newRow("empty scale") << 5.0 << 5.0 << 1.0 << 0.5;
        QTest::newRow("marks too fine to draw") << 0.0 << 400.0 << 1e-9 << 1e-12;
        QTest::newRow("no marks") << 0.0 << 400.0 << 0.0 << -1.0;
    }
    void degenerateScalesStillDraw()
    {
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(double, major);
        QFETCH(double, minor);
        DialGauge gauge;
        gauge.resize(137, 57);
        gauge.setScale(min, max);
        gauge.setMarks(major, minor);
        gauge.setValue(7);
        // Drawing finishes and the needle is still there to read.
        QVERIFY(findNeedle(picture(gauge)).pixels >= 20);
    }
};

QTEST_MAIN(tst_instruments)
#include "tst_instruments.moc"
