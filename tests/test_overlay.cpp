// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/overlay.h"

#include "tests/support/ray_scene.h"

#include <QGuiApplication>
#include <QPixmap>
#include <gtest/gtest.h>

#include <memory>
#include <numbers>

namespace
{

constexpr double degree = std::numbers::pi / 180;
constexpr unsigned grey = 0xff808080u;

class Overlay : public ::testing::Test
{
  protected:
    // Fonts and pixmaps need a graphical application; no display is needed.
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "test_overlay", *argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    static void TearDownTestSuite() { app.reset(); }
    void SetUp() override
    {
        frame.x({{3.25, 50, 80 * degree, 0}});
        frame.v(moving_along_φ(m, frame.x(), 0.35));
    }

    QImage captioned(int w, int h, bool show = true)
    {
        return with_caption(solid_image(w, h, grey).convertToFormat(QImage::Format_RGB32), frame, m,
                            show);
    }

    static inline std::unique_ptr<QGuiApplication> app;
    Metric m = preset(kerr);
    MyImage frame;
};

} // namespace

// In the rotating metric γ of an observer at rest often comes out a rounding
// below 1; the caption must still read 0.00, not a non-number.
TEST_F(Overlay, CaptionTextsAndTheirLayout)
{
    OverlayCaption c = caption_of(m, frame.x(), frame.v());
    EXPECT_EQ(c.r, "r:50.00");
    EXPECT_EQ(c.θ, QString::fromUtf8("θ:080.0°"));
    EXPECT_EQ(c.v, "v:0.35");

    c = caption_of(m, {{12345.678, 7.5, 123.4 * degree, 2}}, frame.v());
    EXPECT_EQ(c.θ, QString::fromUtf8("θ:123.4°"));
    EXPECT_EQ(c.t, "t:1.23e+04") << "not cut to a wrong value";
    c = caption_of(m, {{1234.5, 999.994, 1, 2}}, frame.v());
    EXPECT_EQ(c.r + c.t, "r:999.99t:1234.50");
    EXPECT_EQ(caption_of(m, {{0, 1e30, 1, 2}}, frame.v()).r, "r:1.00e+30");

    for (double r : {3.0, 4.1, 7.7, 50.0, 400.0})
        for (double θ = 0.05; θ < 3.1; θ += 0.07) {
            f_vec x{{0, r, θ, 0.3}};
            ASSERT_EQ(caption_of(m, x, moving_along_φ(m, x, 0)).v, "v:0.00") << r << " " << θ;
        }

    // Laid out by the font: no text runs into another or out of its box, wide
    // values included; on 160×120 the usual caption takes about a tenth of
    // the frame in readable text, on larger frames the full size.
    // Switched off, an image or a pixmap is left as it was.
    for (f_vec x :
         {f_vec{{0, 50, 80 * degree, 0}}, f_vec{{12345.678, 9999.99, 179.9 * degree, 0}}}) {
        frame.x(x);
        const OverlayCaption c = caption_of(m, x, frame.v());
        for (QSize size : {QSize(160, 120), QSize(1600, 1200)}) {
            const CaptionLayout l = layout_caption(c, caption_font(size));
            EXPECT_TRUE(QRect(QPoint(), size).contains(l.box));
            for (int i = 0; i < 4; ++i) {
                EXPECT_TRUE(l.box.contains(l.text[i])) << i;
                for (int j = i + 1; j < 4; ++j)
                    EXPECT_FALSE(l.text[i].intersects(l.text[j])) << i << " " << j;
            }
        }
        const QRect small_box = layout_caption(c, caption_font({160, 120})).box;
        if (x[0] == 0) {
            EXPECT_LE(small_box.width() * small_box.height(), 0.11 * 160 * 120)
                << small_box.width() << "x" << small_box.height();
        }
        EXPECT_GE(caption_font({160, 120}).pixelSize(), 8);
        EXPECT_EQ(caption_font({640, 480}).pixelSize(), 13);
        const QImage small = captioned(160, 120), large = captioned(1600, 1200);
        const CaptionLayout l = layout_caption(c, caption_font(large.size()));
        EXPECT_NE(small.copy(small_box), captioned(160, 120, false).copy(small_box));
        QRect darkened;
        for (int y = 0; y < large.height(); ++y)
            for (int x = 0; x < large.width(); ++x) {
                const unsigned px = large.pixel(x, y);
                if (!l.box.contains(x, y))
                    ASSERT_EQ(px, grey) << x << "," << y;
                else if (std::abs(int(px & 0xff) - 0x40) <= 2)
                    darkened |= QRect(x, y, 1, 1);
            }
        EXPECT_EQ(darkened, l.box);
    }
    const QImage plain = captioned(160, 120, false);
    EXPECT_EQ(plain.pixel(10, 10), grey);
    EXPECT_EQ(with_caption(QPixmap::fromImage(plain), frame, m, true).toImage(),
              captioned(160, 120));
    EXPECT_EQ(with_caption(QPixmap::fromImage(plain), frame, m, false).toImage(), plain);
}
