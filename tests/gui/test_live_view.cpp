// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/input_marks.h"
#include "app/live_view.h"
#include "app/mainwindow.h"
#include "app/state.h"
#include "physics/orbits.h"
#include "scene/settings.h"
#include "tests/gui/support/widgets.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

namespace
{

QPointF global(QWidget *w, QPointF at)
{
    return w->mapToGlobal(at);
}

void drag(QWidget *picture, int dx, int dy)
{
    const QPointF from(20, 20), to(20 + dx, 20 + dy);
    QMouseEvent press(QEvent::MouseButtonPress, from, global(picture, from), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent move(QEvent::MouseMove, to, global(picture, to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, to, global(picture, to), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    for (QEvent *e : std::initializer_list<QEvent *>{&press, &move, &release})
        QApplication::sendEvent(picture, e);
}

void wheel(QWidget *picture, int notches, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const QPointF at(20, 20);
    QWheelEvent e(at, global(picture, at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                  modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(picture, &e);
}

void key(QWidget *picture, int k)
{
    QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier);
    QApplication::sendEvent(picture, &e);
}

bool same_pixels(MyImage const &a, MyImage const &b)
{
    if (a.width() != b.width() || a.height() != b.height() || a.done() != b.done())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.read(x, y) != b.read(x, y))
                return false;
    return true;
}

// The default Kerr view at 160×120 and the coarsest accuracy, on the display
// tab, every level the live view shows recorded with the observer's radius.
class Live : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        window.show();
        child<QComboBox>(window, "cBox_precise")->setCurrentText("0.100");
        child<QComboBox>(window, "cBox_res")->setCurrentIndex(0);
        QObject::connect(&live, &LiveView::shown, &window, [this](int columns, int) {
            levels.push_back({columns, live.frame().x()[1]});
        });
        QObject::connect(&live, &LiveView::settled, &window, [this] { ++settled; });
    }
    void TearDown() override { stop = false; }

    QString text(const char *name) { return child<QLineEdit>(window, name)->text(); }
    // Runs the live view's pending work to its end: it renders from a timer.
    void settle() { QCoreApplication::processEvents(); }

    struct Level {
        int columns;
        double r;
    };

    MainWindow window;
    LiveView &live = *window.findChild<LiveView *>();
    QLabel *picture = child<QLabel>(window, "label_screen");
    std::vector<Level> levels;
    int settled = 0;
};

} // namespace

// Each move from r = 50, θ = 80°, φ = 0 as the fields then show it.
TEST_F(Live, DragsWheelAndKeysMoveTheObserverByTheirRulesAndClamp)
{
    const double capture = capture_radius(the_scene.horizons, precise);
    const struct {
        const char *what;
        std::function<void(QWidget *)> act;
        const char *r, *θ, *φ;
    } cases[] = {
        {"drag right and down", [](QWidget *p) { drag(p, 20, 10); }, "50", "75", "-10"},
        {"drag far up", [](QWidget *p) { drag(p, 0, -400); }, "50", "180", "0"},
        {"drag far down", [](QWidget *p) { drag(p, 0, 400); }, "50", "0", "0"},
        {"drag round the back", [](QWidget *p) { drag(p, -400, 0); }, "50", "80", "-160"},
        {"wheel forward", [](QWidget *p) { wheel(p, 1); }, "45.4545", "80", "0"},
        {"wheel back", [](QWidget *p) { wheel(p, -2); }, "60.5", "80", "0"},
        {"wheel far back", [](QWidget *p) { wheel(p, -40); }, "999.9", "80", "0"},
        {"left", [](QWidget *p) { key(p, Qt::Key_Left); }, "50", "80", "-5"},
        {"right", [](QWidget *p) { key(p, Qt::Key_Right); }, "50", "80", "5"},
        {"up", [](QWidget *p) { key(p, Qt::Key_Up); }, "50", "75", "0"},
        {"down", [](QWidget *p) { key(p, Qt::Key_Down); }, "50", "85", "0"},
        {"page up", [](QWidget *p) { key(p, Qt::Key_PageUp); }, "48", "80", "0"},
        {"page down", [](QWidget *p) { key(p, Qt::Key_PageDown); }, "52", "80", "0"},
        {"drag, keys, home",
         [](QWidget *p) {
             drag(p, 30, 30);
             key(p, Qt::Key_Left);
             key(p, Qt::Key_Home);
         },
         "50", "80", "0"},
    };
    for (const auto &c : cases) {
        window.move_observer({50, 80, 0});
        c.act(picture);
        EXPECT_EQ(text("lineEdit_r"), c.r) << c.what;
        EXPECT_EQ(text("lineEdit_th"), c.θ) << c.what;
        EXPECT_EQ(text("lineEdit_phi"), c.φ) << c.what;
    }
    wheel(picture, 80);
    const double closest = text("lineEdit_r").toFloat();
    EXPECT_GT(closest, capture) << "the wheel stops outside the capture radius";
    EXPECT_LT(closest, capture * 1.001);
    EXPECT_EQ(field_problem(child<QLineEdit>(window, "lineEdit_r")), QString());

    auto *zoom = child<QSlider>(window, "verticalSlider");
    const int before = zoom->value();
    wheel(picture, 1, Qt::ControlModifier);
    EXPECT_EQ(zoom->value(), before + 1) << "Ctrl+wheel zooms";
    EXPECT_EQ(text("lineEdit_r"), QString::number(closest, 'g', 6)) << "and leaves r";

    // A drag is one step of the history, a wheel notch another.
    window.move_observer({50, 80, 0});
    window.take_move();
    drag(picture, 20, 10);
    wheel(picture, 1);
    QAction *undo = child<QAction>(window, "action_undo");
    undo->trigger();
    EXPECT_EQ(text("lineEdit_r"), "50");
    EXPECT_EQ(text("lineEdit_th"), "75");
    undo->trigger();
    EXPECT_EQ(text("lineEdit_th"), "80");
}

// A proposed speed is proposed again for the new place, as typing r does; a
// typed one stays.
TEST_F(Live, SpeedProposedAgainUnlessTyped)
{
    wheel(picture, 3);
    const QString moved = text("lineEdit_v");
    confirm(child<QLineEdit>(window, "lineEdit_r"), text("lineEdit_r"));
    EXPECT_EQ(text("lineEdit_v"), moved) << "what typing the same r proposes";

    confirm(child<QLineEdit>(window, "lineEdit_v"), "0.1");
    wheel(picture, 3);
    key(picture, Qt::Key_Up);
    EXPECT_EQ(text("lineEdit_v"), "0.1");
}

// A change restarts from the coarsest level, also one that comes while the
// frame refines; the frame settled on is the one ▶ renders for the fields.
TEST_F(Live, EachChangeRestartsCoarseAndSettlesOnWhatPlayRenders)
{
    child<QCheckBox>(window, "checkBox_kepler")->setChecked(true);
    child<QComboBox>(window, "comboBox_smooth")->setCurrentIndex(1);
    bool moved_again = false;
    QObject::connect(&live, &LiveView::shown, &window, [&] {
        if (!moved_again && levels.size() == 2) {
            moved_again = true;
            key(picture, Qt::Key_PageDown);
        }
    });
    wheel(picture, 1);
    settle();
    ASSERT_GE(levels.size(), 4u);
    EXPECT_LE(levels[0].columns, 64) << "no finer than ▶ starts";
    EXPECT_EQ(levels[1].columns, 2 * levels[0].columns) << "it refines while nothing moves";
    EXPECT_LT(levels[2].columns, levels[1].columns) << "and starts again on the next change";
    EXPECT_FLOAT_EQ(levels[2].r, 47.4545f);
    EXPECT_EQ(levels.back().columns, 160);
    EXPECT_EQ(settled, 1);

    levels.clear();
    drag(picture, 4, 0);
    settle();
    ASSERT_FALSE(levels.empty());
    EXPECT_LE(levels.front().columns, 64);
    EXPECT_EQ(settled, 2);

    child<QPushButton>(window, "PlayButton")->click();
    EXPECT_TRUE(same_pixels(live.frame(), image[0]));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(live.frame().x()[i], image[0].x()[i]);
        EXPECT_EQ(live.frame().v()[i], image[0].v()[i]);
    }
}

// The frames of a run stay as rendered and can be browsed; a confirmed
// parameter renders live, a refused formula says why over the last picture;
// with the box off the picture takes nothing.
TEST_F(Live, StoredFramesStayParametersRenderAndTheBoxTurnsItOff)
{
    child<QRadioButton>(window, "radButn1")->click();
    child<QCheckBox>(window, "checkBox_anim")->setChecked(true);
    choose_frames(window, "2");
    child<QPushButton>(window, "PlayButton")->click();
    const std::vector<unsigned> first = [] {
        std::vector<unsigned> p;
        for (int y = 0; y < image[0].height(); ++y)
            for (int x = 0; x < image[0].width(); ++x)
                p.push_back(image[0].read(x, y));
        return p;
    }();

    child<QRadioButton>(window, "radButn4")->click();
    key(picture, Qt::Key_Left);
    settle();
    EXPECT_EQ(settled, 1);
    for (int y = 0, i = 0; y < image[0].height(); ++y)
        for (int x = 0; x < image[0].width(); ++x, ++i)
            ASSERT_EQ(image[0].read(x, y), first[i]) << "the live frame has its own store";
    auto *browser = child<QSlider>(window, "horizontalSlider");
    EXPECT_EQ(browser->maximum(), 1);
    browser->setValue(0);
    EXPECT_TRUE(picture->toolTip().isEmpty()) << "a stored frame shown";

    levels.clear();
    confirm(child<QLineEdit>(window, "lineEdit_a"), "0.5");
    settle();
    ASSERT_FALSE(levels.empty());
    EXPECT_LE(levels.front().columns, 64);
    EXPECT_EQ(settled, 2);
    confirm(child<QLineEdit>(window, "lineEdit_a"), "0.5");
    settle();
    EXPECT_EQ(settled, 2) << "nothing changed, nothing rendered";

    confirm(child<QLineEdit>(window, "tt"), "r+(");
    settle();
    EXPECT_EQ(settled, 2);
    EXPECT_TRUE(picture->toolTip().startsWith("not rendered: g_tt"))
        << picture->toolTip().toStdString();
    EXPECT_FALSE(picture->pixmap().isNull()) << "the last picture stays";

    child<QCheckBox>(window, "checkBox_live")->setChecked(false);
    const QString r = text("lineEdit_r");
    wheel(picture, 1);
    drag(picture, 10, 10);
    settle();
    EXPECT_EQ(text("lineEdit_r"), r);
    EXPECT_EQ(settled, 2);
    EXPECT_FALSE(window.scene_settings().live);
}

// ▶ or Quit while a live frame renders stop it: ▶'s frame stays on the
// display and the window closes.
TEST_F(Live, PlayAndQuitTakeOverFromALiveFrame)
{
    std::function<void()> on_first_level;
    QObject::connect(&live, &LiveView::shown, &window, [&] {
        if (auto act = std::exchange(on_first_level, nullptr))
            act();
    });
    on_first_level = [this] { child<QPushButton>(window, "PlayButton")->click(); };
    wheel(picture, 1);
    settle();
    EXPECT_EQ(settled, 0);
    EXPECT_EQ(image[0].done(), image[0].pixels());
    EXPECT_TRUE(picture->toolTip().isEmpty()) << "▶'s frame shown last";

    on_first_level = [this] { window.close(); };
    wheel(picture, 1);
    settle();
    EXPECT_EQ(settled, 0);
    EXPECT_FALSE(window.isVisible());
}
