// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "render/frame_buffer.h"
#include "render/frame_engine.h"
#include "render/render_control.h"
#include "scene/observer.h"
#include "scene/scene.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QString>

#include <optional>

class MainWindow;
class QCheckBox;
class QKeyEvent;
class QMouseEvent;
class QWheelEvent;

namespace Ui
{
class MainWindow;
}

// Where the observer starts, as the r, θ and φ fields (degrees) hold it: what
// a move by hand changes.
struct ObserverPlace {
    double r = 0, θ = 0, φ = 0;
    bool operator==(ObserverPlace const &) const = default;
};

// The radii an observer may start between (both excluded): the capture
// radius of the horizon and the escape radius.
struct RadiusLimits {
    double capture = 0, escape = 1000;
};

// The moves the picture takes, each from a place to the next. A drag by
// `by` pixels turns φ by `by.x` and θ by `by.y` half-degrees; the wheel
// scales r by 1.1 a notch (forward: closer); keys move by fixed steps. θ stays
// within 0°–180°, φ within −180°–180°, r inside the limits, and every value
// is one the fields hold (six significant digits).
ObserverPlace dragged(ObserverPlace const &from, QPoint by);
ObserverPlace wheeled(ObserverPlace const &from, double notches, RadiusLimits limits);
// None for a key that does not move the observer.
std::optional<ObserverPlace> keyed(ObserverPlace const &from, int key, RadiusLimits limits);

// The display tab's live view: the picture takes the mouse, the wheel and
// the keys and moves the observer through MainWindow::move_observer, and
// every change of the view renders at once from the coarsest level into a
// frame of its own, never into the stored frames of a run. Renders run on the
// window's thread with the events processed between batches, as ▶'s do, but
// under a control of their own, so ▶, Stop and Quit find them out of the way.
// A change while the coarsest level is still underway lets it finish first:
// dragging then shows a complete picture at the pace the level takes.
class LiveView : public QObject
{
    Q_OBJECT

  public:
    LiveView(MainWindow &window, Ui::MainWindow &ui);
    ~LiveView() override;

    bool enabled() const;
    void set_enabled(bool on);

    // Renders the view the fields show again, stopping the live frame in
    // progress; nothing while the box is off or a run or an export is busy.
    void restart();
    // Stops the live frame and forgets the pending change: ▶ or the window's
    // end takes over.
    void cancel();

    // The frame the live view shows or renders.
    MyImage const &frame() const { return frame_; }

  signals:
    // A frame starts, for the fields as they stand.
    void started();
    // After `columns` × `rows` of the frame reached the display.
    void shown(int columns, int rows);
    // The frame is complete on the display, smoothing pass included.
    void settled();

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    bool idle() const;
    bool take_mouse(QMouseEvent const &e);
    bool take_wheel(QWheelEvent const &e);
    bool take_key(QKeyEvent const &e);
    void move_to(ObserverPlace const &to);
    ObserverPlace place() const;
    RadiusLimits limits() const;
    void metric_confirmed();
    void render_pending();
    void render_once();
    Observer first_observer() const;
    void show_level(int w, int h, int columns, int rows);
    void aim_coarsest(qint64 took_ms);

    MainWindow &window_;
    Ui::MainWindow &ui_;
    QCheckBox *box_;
    RenderControl control_;
    Scene scene_; // what the live frame's rays read: a copy, so typing never races them
    MyImage frame_;
    QString rendered_metric_; // the formulas and parameters of the last live frame
    std::optional<QPoint> drag_at_;
    std::optional<ObserverPlace> home_;
    bool rendering_ = false;
    bool scheduled_ = false;
    bool pending_ = false;
    bool coarse_shown_ = false;
    bool showing_ = false;
    int coarsest_ = first_level; // the level live frames start with
    QElapsedTimer since_change_;
};
