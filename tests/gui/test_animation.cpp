#include "app/compute.h"
#include "app/mainwindow.h"
#include "app/state.h"
#include "physics/backdrop.h"
#include "physics/geodesic.h"
#include "physics/ray_colour.h"
#include "render/frame_engine.h"
#include "render/run_plan.h"
#include "tests/support/ray_scene.h"

// The form header is generated for this test from the same form file.
#include "../../app/ui_mainwindow.h"

#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <stdexcept>
#include <vector>

namespace
{

constexpr unsigned black = 0xff000000u;
constexpr int W = 160, H = 120; // cBox_res item 0
constexpr double zoom = π / 4;  // verticalSlider at its default 2

template <class T> T *child(QObject &parent, const char *name)
{
    T *w = parent.findChild<T *>(name);
    if (!w)
        throw std::runtime_error(std::string("no widget named ") + name);
    return w;
}

void expect_same_f_vec(f_vec a, f_vec b, const char *what, int k)
{
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(a[i], b[i]) << what << " of frame " << k << ", component " << i;
}

int claimed(MyImage const &img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.done(x, y);
    return n;
}

bool complete(MyImage const &img)
{
    return img.done() == img.pixels() && claimed(img) == img.pixels();
}

// GetColor called straight for every pixel, without the renderer.
std::vector<unsigned> pixel_by_pixel(f_vec x, f_vec u, int w, int h, double z)
{
    std::vector<unsigned> out;
    for (int py = 0; py < h; ++py)
        for (int px = 0; px < w; ++px)
            out.push_back(GetColor((px - 0.5 * w) * z / w, (py - 0.5 * h) * z / w, x, u));
    return out;
}

std::vector<unsigned> pixels_of(MyImage const &img)
{
    std::vector<unsigned> out;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            out.push_back(img.read(x, y));
    return out;
}

bool all_black(MyImage const &img)
{
    return pixels_of(img) == std::vector<unsigned>(img.pixels(), black);
}

// ------------------------------------------------------------ one frame

// The window's renderer on the real form: Kerr, the observer on a circular
// orbit at r = 50, θ = 80°, every effect on, the coarsest accuracy.
class Compute_ : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ui.setupUi(&host);
        host.resize(800, 600);
        host.show();
        use_kerr(1, 0.8);
        precise = QStringLiteral("0.100").toFloat();
        acr = located_image(512, 512);
        u = on_circular_orbit(x);
        for (QCheckBox *b :
             {ui.checkBox_aber, ui.checkBox_redshift, ui.checkBox_kepler, ui.checkBox_beam})
            b->setChecked(true);
        ui.radioButton_sim->setChecked(true);
        frame = 0;
    }
    void TearDown() override { stop = false; }

    qint64 compute() { return Compute(x, u, W, H, zoom, &ui); }

    QMainWindow host;
    Ui::MainWindow ui;
    f_vec x{{0, 50, 80 * π / 180, 0}};
    f_vec u{};
};

TEST_F(Compute_, EveryPixelOnceAndEqualToItsRayWhateverTheThreadCount)
{
    P[5] = 11.5; // the disk tables no longer match: the frame must bring them up to date
    ASSERT_FALSE(disk_tables_current());
    compute();
    EXPECT_TRUE(el_ab && shift && kepler && beam && simul);
    EXPECT_TRUE(disk_tables_current());

    MyImage &img = image[0];
    ASSERT_EQ(img.width(), W);
    ASSERT_EQ(img.height(), H);
    EXPECT_TRUE(complete(img));
    expect_same_f_vec(img.x(), x, "position", 0);
    expect_same_f_vec(img.v(), u, "velocity", 0);
    EXPECT_FALSE(ui.label_screen->pixmap().isNull());

    const std::vector<unsigned> direct = pixel_by_pixel(x, u, W, H, zoom);
    EXPECT_EQ(pixels_of(img), direct);
    EXPECT_EQ(img.read(W / 2, H / 2), GetColor(0, 0, x, u));

    MyImage alone;
    FrameEngine one_thread(GetColor);
    one_thread.setThreadCount(1);
    one_thread.render(alone, x, u, W, H, zoom);
    EXPECT_EQ(pixels_of(alone), direct);
}

TEST_F(Compute_, StopBeforeTheFrameLeavesItBlackAndReturnsAtOnce)
{
    image[0].dim(3, 3);
    stop = true;
    QElapsedTimer timer;
    timer.start();
    compute();
    EXPECT_LT(timer.elapsed(), 1000);

    MyImage &img = image[0];
    ASSERT_EQ(img.pixels(), W * H);
    EXPECT_EQ(img.done(), 0);
    EXPECT_EQ(claimed(img), 0);
    EXPECT_TRUE(all_black(img));
    expect_same_f_vec(img.x(), x, "position", 0);
    expect_same_f_vec(img.v(), u, "velocity", 0);
    EXPECT_TRUE(ui.label_screen->pixmap().isNull());
}

// Stop arrives as an event, handled while the dispatcher waits for the
// queue to drain during the first level.
TEST_F(Compute_, StopDuringTheFrameFinishesClaimedPixelsAndShowsNothing)
{
    QTimer::singleShot(0, [] { stop = true; });
    compute();
    MyImage &img = image[0];
    EXPECT_GT(img.done(), 0);
    EXPECT_LT(img.done(), 64 * 64);
    EXPECT_EQ(claimed(img), img.done());
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (!img.done(x, y)) {
                ASSERT_EQ(img.read(x, y), black);
            }
    EXPECT_TRUE(ui.label_screen->pixmap().isNull());
}

// ------------------------------------------------------------ runs

// The whole window in flat space: observer at r = 50, θ = 80°, 160×120 frames.
class Run : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        window.resize(800, 600);
        window.show();
        use_flat_space();
        child<QComboBox>(window, "cBox_precise")->setCurrentText("0.100");
        precise = QStringLiteral("0.100").toFloat();
        child<QComboBox>(window, "cBox_res")->setCurrentIndex(0);
        child<QLineEdit>(window, "lineEdit_r")->setText("50");
        child<QLineEdit>(window, "lineEdit_th")->setText("80");
        speed("0.3");
        for (const char *name : {"checkBox_aber", "checkBox_redshift", "checkBox_kepler",
                                 "checkBox_beam", "checkBox_sour"})
            child<QCheckBox>(window, name)->setChecked(false);
        frame = 0;
    }
    void TearDown() override { stop = false; }

    void speed(const char *text) { child<QLineEdit>(window, "lineEdit_v")->setText(text); }

    void animation(const char *frames)
    {
        child<QCheckBox>(window, "checkBox_anim")->setChecked(true);
        child<QComboBox>(window, "comboBox_Frames")->setCurrentText(frames);
    }

    void play() { child<QPushButton>(window, "PlayButton")->click(); }

    void expect_idle()
    {
        EXPECT_FALSE(stop);
        EXPECT_TRUE(child<QPushButton>(window, "PlayButton")->isEnabled());
        EXPECT_FALSE(child<QPushButton>(window, "StopButton")->isEnabled());
        for (const char *name : {"tab_param", "tab_settings", "tab_geodetics", "horizontalSlider"})
            EXPECT_TRUE(child<QWidget>(window, name)->isEnabled()) << name;
    }

    // The observer's path traced here on its own, as the run must trace it.
    void trace_path(geo &path, double v)
    {
        f_vec x{{0, 50, 80 * π / 180, 0}};
        f_vec u = f_tet(four_vt(v), x);
        end e((0.03 * precise + 1.0) * VneH(), 1.0);
        geodetika(x, u, e, precise / 10.0, &path);
    }

    MainWindow window;
};

TEST_F(Run, TenFramesAtEvenlySpacedPathPointsThenBrowsable)
{
    animation("10");
    play();
    expect_idle();
    EXPECT_EQ(frame, 10);
    auto *slider = child<QSlider>(window, "horizontalSlider");
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->maximum(), 9);

    geo path;
    trace_path(path, 0.3f);
    ASSERT_GE(path.getCount(), 100);
    for (int k = 0; k < 10; ++k) {
        const int idx = int(static_cast<long long>(path.getCount()) * k / 10);
        expect_same_f_vec(image[k].x(), path.getX(idx), "position", k);
        expect_same_f_vec(image[k].v(), path.getV(idx), "velocity", k);
        EXPECT_TRUE(complete(image[k])) << k;
    }
}

TEST_F(Run, StopDuringAFrameLeavesEarlierFramesCompleteAndLaterOnesBlack)
{
    animation("10");
    auto *slider = child<QSlider>(window, "horizontalSlider");
    auto *stop_button = child<QPushButton>(window, "StopButton");
    QObject::connect(slider, &QSlider::valueChanged, [stop_button](int k) {
        if (k == 3)
            QTimer::singleShot(0, stop_button, &QPushButton::click);
    });
    play();
    expect_idle();
    EXPECT_EQ(frame, 10);

    geo path;
    trace_path(path, 0.3f);
    for (int k = 0; k < 10; ++k) {
        expect_same_f_vec(image[k].x(), path.getX(path_point(path.getCount(), k, 10)), "position",
                          k);
        if (k < 3) {
            EXPECT_TRUE(complete(image[k])) << k;
        } else if (k == 3) {
            EXPECT_GT(image[k].done(), 0);
            EXPECT_LT(image[k].done(), W * H);
        } else {
            EXPECT_EQ(image[k].pixels(), W * H) << k;
            EXPECT_EQ(image[k].done(), 0) << k;
            EXPECT_TRUE(all_black(image[k])) << k;
        }
    }
}

TEST_F(Run, BrowserShowsTheStoredEntryWithItsCaption)
{
    const unsigned colours[2] = {0xff2050a0u, 0xffc08010u};
    for (int k : {3, 4}) {
        image[k].dim(16, 12);
        image[k].x({{0, 50, 1, 0}});
        image[k].v({{1, 0, 0, 0}});
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 16; ++x) {
                image[k].set_done(x, y);
                image[k].set_pixel(x, y, colours[k - 3]);
            }
    }
    auto *slider = child<QSlider>(window, "horizontalSlider");
    auto *screen = child<QLabel>(window, "label_screen");
    slider->setMaximum(9);
    frame = 7;

    emit slider->sliderMoved(4);
    QImage shown = screen->pixmap().toImage();
    ASSERT_FALSE(shown.isNull());
    EXPECT_GE(shown.width(), screen->width());
    EXPECT_EQ(shown.pixel(shown.width() / 2, shown.height() / 2), colours[1]);
    EXPECT_EQ(shown.pixel(8, 14), colours[1]); // no caption while it is switched off
    EXPECT_EQ(frame, 7);

    child<QCheckBox>(window, "checkBox_sour")->setChecked(true);
    emit slider->sliderMoved(3);
    shown = screen->pixmap().toImage();
    EXPECT_EQ(shown.pixel(shown.width() / 2, shown.height() / 2), colours[0]);
    int darkened = 0;
    for (int y = 11; y <= 30; ++y)
        for (int x = 5; x <= 92; ++x)
            darkened += qRed(shown.pixel(x, y)) < qRed(colours[0]) - 10;
    EXPECT_GT(darkened, 88 * 20 / 2);
    child<QCheckBox>(window, "checkBox_sour")->setChecked(false);
}

TEST_F(Run, RunThatCannotFitInMemoryIsRefusedWithAMessage)
{
    if (run_fits(2400, 4096, 3072, frame_memory_budget()))
        GTEST_SKIP() << "this machine could hold 2400 frames of 4096×3072";
    animation("2400");
    child<QComboBox>(window, "cBox_res")->setCurrentIndex(6);
    image[0].dim(2, 2);
    frame = 5;
    play();
    expect_idle();
    EXPECT_TRUE(child<QLabel>(window, "label_screen")->text().contains("memory"));
    EXPECT_EQ(image[0].pixels(), 4);
    EXPECT_EQ(frame, 5);
}

// Zoom released while idle leaves Stop pressed; Play must clear it.
TEST_F(Run, SingleFrameAtTheStartingPoint)
{
    speed("0");
    emit child<QSlider>(window, "verticalSlider")->sliderReleased();
    EXPECT_TRUE(stop);
    play();
    expect_idle();
    EXPECT_EQ(frame, 0);
    EXPECT_EQ(child<QSlider>(window, "horizontalSlider")->maximum(), 0);
    EXPECT_TRUE(complete(image[0]));
    geo path;
    trace_path(path, 0);
    expect_same_f_vec(image[0].x(), path.getX(0), "position", 0);
    expect_same_f_vec(image[0].v(), path.getV(0), "velocity", 0);
}

// ------------------------------------------------------------ flat space by hand

struct vec3 {
    double x, y, z;
};
vec3 operator+(vec3 a, vec3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
vec3 operator*(double s, vec3 a)
{
    return {s * a.x, s * a.y, s * a.z};
}
double dot(vec3 a, vec3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

enum class expect_pixel { black, light, dark, skip };

// A static observer at (r0, θ0, φ = 0) in flat space. The pixel looks along
// (1 − s, β·s, α·s) in the frame (E_r, E_θ, E_φ), s = 2 / (1 + α² + β²);
// the ray is a straight line, black if it comes within the stopping radius
// of the centre, else the checkerboard where it leaves r = 1000. Rays near
// the polar axis, the black disc's rim or a square's edge decide nothing.
expect_pixel flat_pixel(double α, double β, double r0, double θ0, double r_stop)
{
    const vec3 e_r{std::sin(θ0), 0, std::cos(θ0)}, e_θ{std::cos(θ0), 0, -std::sin(θ0)},
        e_φ{0, 1, 0};
    const double s = 2 / (1 + α * α + β * β);
    const vec3 d = (1 - s) * e_r + (β * s) * e_θ + (α * s) * e_φ;
    const vec3 p0 = r0 * e_r;
    const double b = dot(p0, d);
    const double far = -b + std::sqrt(b * b - (r0 * r0 - 1000.0 * 1000.0));

    const vec3 nearest = p0 + std::fmax(-b, 0.0) * d;
    const double miss = std::sqrt(dot(nearest, nearest));
    if (std::fabs(miss - r_stop) < 0.3)
        return expect_pixel::skip;
    if (miss < r_stop)
        return expect_pixel::black;

    const double to_axis =
        std::clamp(-(p0.x * d.x + p0.y * d.y) / (d.x * d.x + d.y * d.y), 0.0, far);
    const vec3 a = p0 + to_axis * d;
    if (std::hypot(a.x, a.y) < 3)
        return expect_pixel::skip;

    const vec3 e = p0 + far * d;
    const double f = std::sin(18 * std::acos(e.z / 1000)) * std::cos(18 * std::atan2(e.y, e.x));
    if (std::fabs(f) < 0.1)
        return expect_pixel::skip;
    return f <= 0 ? expect_pixel::light : expect_pixel::dark;
}

// A static observer in flat space, at an accuracy where a ray's end strays
// by far less than a square. The frame is one column wider than any the
// window offers, so that no column looks exactly through the polar axis,
// where the coordinates are singular and such a ray would run until its step
// budget is spent.
TEST_F(Compute_, FlatSpaceShowsTheCheckerboardOfTheCameraModel)
{
    use_flat_space();
    precise = QStringLiteral("0.005").toFloat();
    for (QCheckBox *b :
         {ui.checkBox_aber, ui.checkBox_redshift, ui.checkBox_kepler, ui.checkBox_beam})
        b->setChecked(false);
    u = f_tet(four_vt(0), x);
    const int w = W + 1;
    Compute(x, u, w, H, zoom, &ui);
    MyImage &img = image[0];
    ASSERT_TRUE(complete(img));

    const double r_stop = (0.03 * precise + 1.0) * VneH();
    int compared = 0, blacks = 0, mismatched = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < w; ++x) {
            const expect_pixel e = flat_pixel((x - 0.5 * w) * zoom / w, (y - 0.5 * H) * zoom / w,
                                              50, 80 * π / 180, r_stop);
            if (e == expect_pixel::skip)
                continue;
            const unsigned want = e == expect_pixel::light ? sky_light : black;
            ++compared;
            blacks += e == expect_pixel::black;
            if (img.read(x, y) != want) {
                ++mismatched;
                ADD_FAILURE() << "pixel " << x << "," << y;
            }
        }
    EXPECT_GT(compared, w * H * 2 / 3);
    EXPECT_GT(blacks, 10);
    EXPECT_EQ(mismatched, 0);
}

} // namespace
