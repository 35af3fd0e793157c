// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"
#include "app/state.h"
#include "physics/orbits.h"
#include "render/frame_buffer.h"
#include "render/frame_engine.h"
#include "render/overlay.h"
#include "render/run_plan.h"
#include "tests/gui/support/widgets.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <gtest/gtest.h>

namespace
{

constexpr int W = 160, H = 120; // cBox_res item 0

bool complete(MyImage const &img)
{
    return img.pixels() > 0 && img.done() == img.pixels();
}

// The whole window in flat space: observer at r = 50, θ = 80°, 160×120 frames.
class Run : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        window.show();
        child<QRadioButton>(window, "radButn1")->click();
        child<QComboBox>(window, "cBox_precise")->setCurrentText("0.100");
        child<QComboBox>(window, "cBox_res")->setCurrentIndex(0);
        child<QLineEdit>(window, "lineEdit_v")->setText("0.3");
    }
    void TearDown() override { stop = sour = false; }

    void play(const char *frames)
    {
        child<QCheckBox>(window, "checkBox_anim")->setChecked(true);
        choose_frames(window, frames);
        child<QPushButton>(window, "PlayButton")->click();
        EXPECT_FALSE(stop);
        EXPECT_FALSE(child<QPushButton>(window, "StopButton")->isEnabled());
        EXPECT_TRUE(child<QWidget>(window, "tab_param")->isEnabled()) << "controls come back";
    }

    MainWindow window;
};

// A zoom release cancels the run, the display says so and the browser reaches
// the frame that was finished. The second run also checks that Play clears a
// Stop left pressed by the zoom, that every frame is rendered for its own
// point of the observer's path, and that the effect switches and the disk
// tables follow the settings tab.
TEST_F(Run, ZoomStopsAFrameThenAFullRunAtEvenlySpacedPathPoints)
{
    auto *slider = child<QSlider>(window, "horizontalSlider");
    auto *zoom_slider = child<QSlider>(window, "verticalSlider");
    auto stopper = QObject::connect(slider, &QSlider::valueChanged, [zoom_slider](int k) {
        if (k == 1)
            QTimer::singleShot(0, zoom_slider, &QSlider::sliderReleased);
    });
    play("3");
    QObject::disconnect(stopper);
    EXPECT_TRUE(
        child<QLabel>(window, "label_screen")->toolTip().startsWith("stopped: zoom changed"));
    EXPECT_TRUE(complete(image[0]));
    EXPECT_GT(image[1].done(), 0);
    EXPECT_LT(image[1].done(), W * H);
    EXPECT_EQ(image[2].done(), 0);
    EXPECT_EQ(slider->maximum(), 0) << "browsing reaches the finished frame only";
    EXPECT_TRUE(slider->toolTip().contains("frame 1 / 1 rendered"));
    const int percent = int(100 * (1 + double(image[1].done()) / (W * H)) / 3);
    EXPECT_EQ(window.statusBar()->currentMessage(), QString("Stopped at %1 %").arg(percent));

    emit zoom_slider->sliderReleased();
    ASSERT_TRUE(stop);
    for (const char *box : {"checkBox_aber", "checkBox_kepler", "checkBox_beam"})
        child<QCheckBox>(window, box)->setChecked(true);
    play("3");
    EXPECT_EQ(frame, 3);
    EXPECT_EQ(slider->maximum(), 2);
    EXPECT_TRUE(el_ab && kepler && beam && !shift);
    EXPECT_TRUE(disk_tables_current(the_scene.disk, the_scene.metric, P[4], P[5]));
    EXPECT_NEAR(image[0].x()[1], 50.0, 0.01) << "the first frame at the start";
    for (int k = 0; k < 3; ++k) {
        EXPECT_TRUE(complete(image[k])) << k;
        EXPECT_TRUE(k == 0 || image[k].x()[3] > image[k - 1].x()[3]) << "further along " << k;
    }
}

// Every change of the browser's value shows its entry (a drag, a click on the
// track, keys) with its caption and its number; a resized display shows it
// again, whole and as large as the display allows.
TEST_F(Run, BrowserShowsEveryChosenEntryWholeAtAnySize)
{
    const unsigned colours[4] = {0xffc08010u, 0xff10c080u, 0xff8010c0u, 0xff808080u};
    for (int k = 0; k < 4; ++k) {
        image[k].dim(16, 12);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 16; ++x) {
                image[k].set_done(x, y);
                image[k].set_pixel(x, y, colours[k]);
            }
    }
    auto *slider = child<QSlider>(window, "horizontalSlider");
    auto *screen = child<QLabel>(window, "label_screen");
    auto centre = [screen] {
        const QImage shown = screen->pixmap().toImage();
        return shown.pixel(shown.width() / 2, shown.height() / 2);
    };
    slider->setMaximum(3);
    frame = 7;

    emit slider->sliderMoved(1);
    EXPECT_EQ(centre(), colours[1]);
    EXPECT_EQ(frame, 7);
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_TRUE(slider->toolTip().contains("frame 4 / 4"));
    // A click two thirds along the track goes there, not a page on.
    QTest::mouseClick(slider, Qt::LeftButton, {},
                      QPoint(slider->width() * 2 / 3, slider->height() / 2));
    EXPECT_EQ(slider->value(), 2);
    EXPECT_EQ(centre(), colours[2]);
    QTest::keyClick(slider, Qt::Key_Home);
    EXPECT_EQ(screen->pixmap().toImage().pixel(5, 5), colours[0]) << "no caption while off";
    child<QCheckBox>(window, "checkBox_sour")->setChecked(true);
    slider->setValue(1);
    const QImage captioned = screen->pixmap().toImage();
    // Inside the box's corner, before the text starts.
    const QPoint corner =
        layout_caption({}, caption_font(captioned.size())).box.topLeft() + QPoint(1, 1);
    EXPECT_LT(qGreen(captioned.pixel(corner)), qGreen(colours[1]) - 10) << "the caption's box";

    for (QSize more : {QSize(300, 40), QSize(0, 300)}) {
        window.resize(window.size() + more);
        QCoreApplication::processEvents();
        const QSize shown = screen->pixmap().size(), room = screen->size();
        EXPECT_TRUE(shown.width() == room.width() || shown.height() == room.height());
        EXPECT_TRUE(shown.width() <= room.width() && shown.height() <= room.height())
            << "the whole frame, not a crop";
        EXPECT_NEAR(shown.width() * 3.0 / (shown.height() * 4.0), 1.0, 0.02);
    }
}

// A metric whose g_tt turns to ∞/∞ at |t| = 53: the rays that get there are
// drawn apart, and the display says how many after the frame.
TEST_F(Run, PixelsThatCannotBeTracedAreCountedAfterTheFrame)
{
    child<QRadioButton>(window, "radButn2")->click();
    confirm(child<QLineEdit>(window, "tt"),
            "-(1-2*M/r)*((t/(4*5))^(9*9*9+1)+1)/((t/(4*5))^(9*9*9+1)+2)");
    confirm(child<QLineEdit>(window, "lineEdit_r"), "15");
    confirm(child<QLineEdit>(window, "lineEdit_th"), "90");
    confirm(child<QLineEdit>(window, "lineEdit_v"), "0");
    child<QPushButton>(window, "PlayButton")->click();
    long long magenta = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            magenta += image[0].read(x, y) == 0xffff00ffu;
    EXPECT_GT(magenta, 0);
    EXPECT_EQ(child<QLabel>(window, "label_screen")->toolTip().toStdString(),
              QString("%1 pixels could not be traced: the metric is not finite along their rays")
                  .arg(magenta)
                  .toStdString());
}

// After a frame the bar, started from nothing, is full and the label tells
// what the frame took, not sixty times that.
TEST_F(Run, FinishedFrameShowsFullBarAndItsOwnDuration)
{
    auto *bar = child<QProgressBar>(window, "progressBar");
    bar->setValue(50);
    QList<int> values;
    QObject::connect(bar, &QProgressBar::valueChanged, [&values](int v) { values << v; });
    QElapsedTimer clock;
    clock.start();
    child<QPushButton>(window, "PlayButton")->click();
    const qint64 took = clock.elapsed();
    EXPECT_EQ(values.value(0), 0) << "from nothing";
    EXPECT_EQ(bar->text(), "100.00 %");
    const QStringList parts = child<QLabel>(window, "lab_est_time")->text().split(u':');
    ASSERT_EQ(parts.size(), 4);
    const long long shown =
        ((parts[0].toLongLong() * 24 + parts[1].toInt()) * 60 + parts[2].toInt()) * 60 +
        parts[3].toInt();
    EXPECT_LE(shown * 1000, took);
}

// The largest frame of a Schwarzschild view, where a whole percent takes
// seconds even at the coarsest accuracy: the bar and the countdown (no longer
// the previous run's time) move while less than a percent is done. Quit then
// reaches the running frame through the event loop and stops it as Stop does:
// nothing more is dispatched, only the queued pixels finish (their rays end
// after the step in hand), and the event loop, its last window closed,
// returns.
TEST_F(Run, LargestFrameShowsProgressAtOnceAndQuitEndsIt)
{
    child<QRadioButton>(window, "radButn2")->click();
    child<QComboBox>(window, "cBox_res")->setCurrentIndex(6);
    auto *bar = child<QProgressBar>(window, "progressBar");
    auto *left = child<QLabel>(window, "lab_est_time");
    left->setText("00:00:00:07");
    QString counted;
    int done_at_quit = -1;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (bar->value() == 0)
            return;
        watch.stop();
        counted = left->text();
        done_at_quit = image[0].done();
        child<QAction>(window, "action_quit")->trigger();
    });
    QTimer::singleShot(0, [&] {
        watch.start(20);
        child<QPushButton>(window, "PlayButton")->click();
    });
    QTimer::singleShot(120000, [] { // should the quit be lost: a failure, not a hang
        stop = true;
        QCoreApplication::quit();
    });
    QApplication::exec();
    ASSERT_GE(done_at_quit, 0);
    EXPECT_LT(done_at_quit, image[0].pixels() / 100);
    EXPECT_TRUE(counted.size() == 11 && counted[0].isDigit() && counted != "00:00:00:07")
        << counted.toStdString();
    EXPECT_FALSE(window.isVisible());
    EXPECT_LE(image[0].done() - done_at_quit, max_waiting_tasks + 1) << "the queue, no more";
}

TEST_F(Run, RunThatCannotFitInMemoryIsRefusedWithAMessage)
{
    if (run_fits(image, 2400, 4096, 3072, frame_memory_budget()))
        GTEST_SKIP() << "this machine could hold 2400 frames of 4096×3072";
    child<QComboBox>(window, "cBox_res")->setCurrentIndex(6);
    image[0].dim(2, 2);
    frame = 5;
    play("2400");
    EXPECT_TRUE(child<QLabel>(window, "label_screen")->text().contains("memory"));
    EXPECT_EQ(image[0].pixels(), 4);
    EXPECT_EQ(frame, 5);
}

} // namespace
