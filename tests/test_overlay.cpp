#include "render/overlay.h"

#include "tests/support/ray_scene.h"

#include <QGuiApplication>
#include <QPixmap>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>

namespace
{

constexpr double degree = std::numbers::pi / 180;
constexpr unsigned grey = 0xff808080u;

// Fonts and pixmaps need a graphical application; no display is needed.
std::unique_ptr<QGuiApplication> application()
{
    static int argc = 1;
    static char name[] = "test_overlay";
    static char *argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

class Overlay : public ::testing::Test
{
  protected:
    static void SetUpTestSuite() { app = application(); }
    static void TearDownTestSuite() { app.reset(); }
    void SetUp() override
    {
        use_kerr(1, 0.8);
        sour = true;
    }
    void TearDown() override { sour = false; }

    static MyImage &observed(f_vec x, double speed)
    {
        static MyImage frame;
        frame.x(x);
        frame.v(moving_along_φ(x, speed));
        return frame;
    }

    static inline std::unique_ptr<QGuiApplication> app;
};

QImage grey_image(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(grey);
    return img;
}

int channel(unsigned c)
{
    return int(c & 0xff);
}

} // namespace

TEST_F(Overlay, CaptionTexts)
{
    overlay_caption c =
        caption_of({{0, 50, 80 * degree, 0}}, moving_along_φ({{0, 50, 80 * degree, 0}}, 0.35));
    EXPECT_EQ(c.r, "r:50.00");
    EXPECT_EQ(c.θ, QString::fromUtf8("θ:080.0°"));
    EXPECT_EQ(c.t, "t:0.00   ");
    EXPECT_EQ(c.v, "v:0.35");

    f_vec x{{12345.678, 7.5, 123.4 * degree, 2}};
    c = caption_of(x, moving_along_φ(x, 0));
    EXPECT_EQ(c.r, "r:7.50");
    EXPECT_EQ(c.θ, QString::fromUtf8("θ:123.4°"));
    EXPECT_EQ(c.t, "t:12345.6");
    EXPECT_EQ(c.v, "v:0.00");
}

// In the rotating metric γ of an observer at rest often comes out a rounding
// below 1; the caption must still read 0.00, not a non-number.
TEST_F(Overlay, ObserverAtRestReadsZeroSpeedEverywhere)
{
    for (double r : {3.0, 4.1, 7.7, 50.0, 400.0})
        for (double θ = 0.05; θ < 3.1; θ += 0.07) {
            f_vec x{{0, r, θ, 0.3}};
            ASSERT_EQ(caption_of(x, moving_along_φ(x, 0)).v, "v:0.00") << r << " " << θ;
            ASSERT_EQ(caption_of(x, moving_along_φ(x, -0.6)).v, "v:0.60") << r << " " << θ;
        }
    EXPECT_EQ(caption_of({{0, 50, 90 * degree, 0}}, moving_along_φ({{0, 50, 90 * degree, 0}}, 0)).θ,
              QString::fromUtf8("θ:090.0°"));
}

TEST_F(Overlay, SwitchedOffOrNullPictureIsUntouched)
{
    MyImage &frame = observed({{0, 50, 80 * degree, 0}}, 0.35);
    sour = false;
    const QImage img = grey_image(160, 120);
    EXPECT_EQ(addTxtImg(img, frame), img);
    const QPixmap pm = QPixmap::fromImage(img);
    EXPECT_EQ(addTxtImg(pm, frame).toImage(), pm.toImage());

    sour = true;
    EXPECT_TRUE(addTxtImg(QImage(), frame).isNull());
    EXPECT_TRUE(addTxtImg(QPixmap(), frame).isNull());
}

// The box is half-transparent black over x 5…92, y 11…30 with white text in
// it; nothing else changes, and the caption is the same on any picture size.
TEST_F(Overlay, SameBoxAndTextOnAnyFrameSize)
{
    MyImage &frame = observed({{3.25, 50, 80 * degree, 0}}, 0.35);
    const QImage small = addTxtImg(grey_image(160, 120), frame);
    const QImage large = addTxtImg(grey_image(1024, 768), frame);
    const QImage from_pixmap = addTxtImg(QPixmap::fromImage(grey_image(400, 300)), frame).toImage();

    const QRect caption_area(0, 0, 150, 45);
    EXPECT_EQ(small.copy(caption_area), large.copy(caption_area));
    EXPECT_EQ(small.copy(caption_area),
              from_pixmap.copy(caption_area).convertToFormat(QImage::Format_RGB32));

    QRect darkened, bright;
    int darkened_count = 0, bright_count = 0;
    for (int y = 0; y < large.height(); ++y)
        for (int x = 0; x < large.width(); ++x) {
            const unsigned c = large.pixel(x, y);
            if (!caption_area.contains(x, y)) {
                ASSERT_EQ(c, grey) << x << "," << y;
                continue;
            }
            const int v = channel(c);
            if (std::abs(v - 0x40) <= 2) {
                darkened |= QRect(x, y, 1, 1);
                ++darkened_count;
            } else if (v >= 0xc0) {
                bright |= QRect(x, y, 1, 1);
                ++bright_count;
            }
        }
    EXPECT_EQ(darkened, QRect(QPoint(5, 11), QPoint(92, 30)));
    EXPECT_GT(darkened_count, 88 * 20 / 2);
    EXPECT_GT(bright_count, 40);
    EXPECT_TRUE(bright.intersects(QRect(5, 11, 40, 20)));  // r and t
    EXPECT_TRUE(bright.intersects(QRect(60, 21, 30, 10))); // v
}
