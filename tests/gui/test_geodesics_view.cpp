// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/frames.h"
#include "physics/geodesic.h"
#include "physics/orbits.h"
#include "tests/gui/support/window_test.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QRadioButton>
#include <QTabWidget>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace
{

std::vector<QPoint> pixels_of(const QImage &image, QRgb colour)
{
    std::vector<QPoint> found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour)
                found.push_back({x, y});
    return found;
}

const QRgb red = qRgb(255, 0, 0);

} // namespace

class GeodesicsView : public WindowTest
{
  protected:
    QLabel *picture = child<QLabel>(w, "label_geo");
    QLabel *count = child<QLabel>(w, "label_geopoint");

    void SetUp() override
    {
        w.resize(900, 700);
        w.show();
        child<QTabWidget>(w, "tabWidget")->setCurrentIndex(1);
        QCoreApplication::processEvents();
    }

    QImage image() const
    {
        return picture->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
    }

    // The picture's centre after the top-to-bottom mirror.
    QPoint centre() const
    {
        const QImage i = image();
        return {i.width() / 2, i.height() - 1 - i.height() / 2};
    }

    void start_at(const char *preset, const char *r, const char *theta)
    {
        child<QRadioButton>(w, preset)->click();
        confirm(field("lineEdit_th"), theta);
        confirm(field("lineEdit_r"), r);
    }
};

TEST_F(GeodesicsView, RadialFallIsOneLineTowardsTheHorizon)
{
    start_at("radButn2", "10", "80");
    confirm(field("lineEdit_v"), "0");
    const QImage i = image();
    const auto points = pixels_of(i, red);
    ASSERT_GT(points.size(), 10u);
    const QPoint c = centre();
    int nearest = 0, farthest = i.width();
    for (const QPoint &p : points) {
        EXPECT_EQ(p.y(), c.y()) << "collinear with the centre";
        EXPECT_LT(p.x(), c.x()) << "φ = 0 runs to the left";
        nearest = std::max(nearest, p.x());
        farthest = std::min(farthest, p.x());
    }
    EXPECT_EQ(farthest, 0) << "the start reaches the side edge";
    const double s = 0.5 * i.width() / (10 * std::sin(80 * std::numbers::pi / 180));
    const double r_hor = (1 + 0.03 * precise) * 2;
    EXPECT_NEAR(nearest, c.x() - r_hor * s, 3) << "the fall ends at the horizon";
    EXPECT_EQ(i.pixel(c), qRgb(0, 0, 0));
}

TEST_F(GeodesicsView, CircularOrbitIsARingAndCountsEveryStep)
{
    start_at("radButn2", "10", "90");
    const QImage i = image();
    const auto points = pixels_of(i, red);
    const QPoint c = centre();
    const double ring = 0.5 * std::min(i.width(), i.height());
    for (const QPoint &p : points)
        EXPECT_NEAR(std::hypot(p.x() - c.x(), p.y() - c.y()), ring, 2.5);
    for (QPoint side : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)})
        EXPECT_TRUE(std::any_of(points.begin(), points.end(), [&](QPoint p) {
            return (p - c - side * int(ring)).manhattanLength() <= 4;
        })) << "a closed ring";

    // The same trace, done here: the count shown is its number of steps.
    f_vec x{{0, 10, std::numbers::pi / 2, 0}};
    f_vec u = f_tet(four_vt(field("lineEdit_v")->text().toFloat()), x);
    end e((1 + 0.03 * precise) * VneH(), 1);
    geo path;
    geodetika(x, u, e, 0.25 * precise, &path);
    EXPECT_EQ(count->text(), QString::number(path.getCount()));
    EXPECT_EQ(e.reason(), 3) << "one full round";

    child<QDoubleSpinBox>(w, "spinBox_round")->setValue(2);
    EXPECT_NEAR(count->text().toDouble() / path.getCount(), 2, 0.01) << "traced twice";

    // A zoom-slider release while idle leaves the render's stop flag raised
    // until the next Play; the path view must not be cut short by it.
    stop = true;
    child<QDoubleSpinBox>(w, "spinBox_round")->setValue(1);
    stop = false;
    EXPECT_EQ(count->text(), QString::number(path.getCount()));
}

// On the axis (g_φφ = 0) the observer stands just off it and, at rest there,
// falls: a path of many points, the same half a turn away.
TEST_F(GeodesicsView, PathFromTheAxisFallsFromJustOffIt)
{
    for (const char *θ : {"0", "180"}) {
        child<QRadioButton>(w, "radButn4")->click();
        child<QRadioButton>(w, "radButn2")->click();
        confirm(field("lineEdit_th"), θ);
        EXPECT_EQ(field("lineEdit_v")->text().toDouble(), 0.0) << "at rest on the axis";
        EXPECT_GT(count->text().toInt(), 100) << θ;
        EXPECT_FALSE(pixels_of(image(), red).empty()) << θ;
    }
}

// A circle of one colour: its centre and radius in pixels.
struct Ring {
    QPointF centre;
    double radius;
};

Ring ring_of(const QImage &image, QRgb colour)
{
    const auto points = pixels_of(image, colour);
    EXPECT_GT(points.size(), 8u);
    QRect box(points.front(), QSize(1, 1));
    for (const QPoint &p : points)
        box |= QRect(p, QSize(1, 1));
    return {QRectF(box).center(), 0.5 * (box.width() + box.height()) / 2.0};
}

// The ticks' spacing the plot names, in units of M.
double tick_step(const QLabel &plot)
{
    const QString help = plot.toolTip();
    const auto at = help.indexOf("ticks every ");
    return help.mid(at + 12).section(u'.', 0, 0).section(u' ', 0, 0).toDouble();
}

// The outer horizon's circle is as large as the horizon on the axes' scale:
// the white ticks along the horizontal axis measure it. The wheel zooms about
// the centre and a drag moves the picture with the pointer.
TEST_F(GeodesicsView, HorizonCircleMeasuresOnTheAxesAndFollowsZoomAndDrag)
{
    start_at("radButn4", "10", "90");
    const QImage i = image();
    const Ring horizon = ring_of(i, qRgb(0, 255, 255));
    const double step = tick_step(*picture);
    ASSERT_GT(step, 0) << picture->toolTip().toStdString();
    std::vector<int> ticks; // the first on either side of the centre is one step away
    const int axis = centre().y();
    for (int x = 0; x < i.width(); ++x)
        if (i.pixel(x, axis + 3) == qRgb(255, 255, 255) &&
            i.pixel(x, axis - 3) == qRgb(255, 255, 255))
            ticks.push_back(x);
    ASSERT_FALSE(ticks.empty());
    int nearest = i.width();
    for (int x : ticks)
        nearest = std::min(nearest, std::abs(x - centre().x()));
    const double pixels_per_M = nearest / step;
    const double h = the_scene.horizons.event();
    EXPECT_NEAR(h, 1 + std::sqrt(1 - 0.8 * 0.8), 1e-3) << "Kerr, a = 0.8";
    EXPECT_NEAR(horizon.radius, h * pixels_per_M, 1.5);
    EXPECT_FALSE(pixels_of(i, qRgb(255, 255, 0)).empty()) << "photon orbits";
    EXPECT_FALSE(pixels_of(i, qRgb(0, 200, 0)).empty()) << "stable-orbit limits";

    const QPoint middle(picture->width() / 2, picture->height() / 2);
    QWheelEvent notch(middle, picture->mapToGlobal(middle), {}, {0, 120}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(picture, &notch);
    const Ring zoomed = ring_of(image(), qRgb(0, 255, 255));
    EXPECT_NEAR(zoomed.radius, 1.25 * horizon.radius, 1.5);
    EXPECT_NEAR(zoomed.centre.x(), horizon.centre.x(), 1);

    QTest::mousePress(picture, Qt::LeftButton, {}, middle);
    QTest::mouseMove(picture, middle + QPoint(30, 20));
    QTest::mouseRelease(picture, Qt::LeftButton, {}, middle + QPoint(30, 20));
    const Ring moved = ring_of(image(), qRgb(0, 255, 255));
    EXPECT_NEAR(moved.centre.x() - zoomed.centre.x(), 30, 1);
    EXPECT_NEAR(moved.centre.y() - zoomed.centre.y(), 20, 1);
}

// Beside the path, the effective potential of the observer's orbit: a circular
// orbit sits at the bottom of its well, its energy level touching the curve
// there; flat space and a metric that changes with time say why there is none.
TEST_F(GeodesicsView, EffectivePotentialOrSaysWhyThereIsNone)
{
    auto *potential = child<QLabel>(w, "label_potential");
    start_at("radButn2", "10", "90");
    ASSERT_FALSE(potential->pixmap().isNull());
    EXPECT_TRUE(potential->text().isEmpty());
    const QImage plot = potential->pixmap().toImage();
    EXPECT_FALSE(pixels_of(plot, qRgb(255, 160, 0)).empty()) << "the energy level";

    start_at("radButn1", "10", "90");
    EXPECT_TRUE(potential->text().contains("no circular orbits"))
        << potential->text().toStdString();
    child<QRadioButton>(w, "radButn2")->click();
    confirm(field("ff"), "r^2*sin(θ)^2*(2+cos(φ))");
    auto *tabs = child<QTabWidget>(w, "tabWidget");
    tabs->setCurrentIndex(0);
    tabs->setCurrentIndex(1);
    EXPECT_TRUE(potential->text().contains("changes with t or φ"))
        << potential->text().toStdString();
}

TEST_F(GeodesicsView, RedrawnOnTabChangeAndOnResizeOnlyWhenShown)
{
    auto *tabs = child<QTabWidget>(w, "tabWidget");
    tabs->setCurrentIndex(0);
    count->clear();
    w.resize(1000, 760);
    QCoreApplication::processEvents();
    EXPECT_TRUE(count->text().isEmpty()) << "hidden view: no redraw";
    tabs->setCurrentIndex(1);
    EXPECT_EQ(picture->pixmap().size(), picture->size() - QSize(2, 2)) << "fills the new size";
}
