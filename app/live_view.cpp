// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/live_view.h"

#include "app/compute.h"
#include "app/field_number.h"
#include "app/mainwindow.h"
#include "app/metric_fields.h"
#include "app/observer_fields.h"
#include "app/resolutions.h"
#include "app/state.h"
#include "physics/orbits.h"
#include "scene/run.h"
#include "scene/value_ranges.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QThread>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace
{

constexpr double degrees_per_pixel = 0.5;
constexpr double key_degrees = 5;
constexpr double key_radius = 2;
constexpr double wheel_factor = 1.1;
constexpr double wheel_notch = 120; // the angle of one notch, in eighths of a degree
constexpr qint64 coarse_aim_ms = 50;
constexpr int coarsest_offered = 4; // a 16×16 grid: coarser shows nothing to steer by

// A field's value: what reading back the text the field would show gives.
double as_field(double value)
{
    return field_number(value).toDouble();
}

// Strictly inside the limits even after rounding to the fields' six digits,
// and never below the smallest radius a field takes (flat space captures
// hardly anything).
double radius_within(double r, RadiusLimits limits)
{
    const double lo = std::max(limits.capture * (1 + 1e-4), value_range(QStringLiteral("r"))->lo);
    const double hi = limits.escape * (1 - 1e-4);
    return as_field(std::clamp(r, std::min(lo, hi), hi));
}

// φ turns round: −180° excluded, 180° included.
double azimuth_round(double φ)
{
    const double turned = std::remainder(φ, 360.0);
    return as_field(turned == -180.0 ? 180.0 : turned);
}

ObserverPlace placed(double r, double θ, double φ, RadiusLimits limits)
{
    return {radius_within(r, limits), as_field(std::clamp(θ, 0.0, 180.0)), azimuth_round(φ)};
}

QString how_to_move()
{
    return QCoreApplication::translate(
        "LiveView",
        "Live view: the picture follows the hand and renders at once, coarse first.\n"
        "Drag sideways: turn around the hole (φ); drag up or down: polar distance (θ).\n"
        "Wheel: distance (r); Ctrl+wheel: zoom.\n"
        "Arrow keys: φ and θ by 5°; Page Up / Page Down: r by 2; Home: back to where the drag "
        "started.\n"
        "With the box on, a confirmed change of M, a, Q, Λ or a formula renders at once too.\n"
        "▶ renders as before; only ▶ starts an animation.");
}

// The metric a frame is rendered with, as text: equal texts, equal metrics.
QString metric_key()
{
    QString key;
    for (QString const &text : the_scene.metric_texts)
        key += text + u'\n';
    for (int i = 0; i < 4; ++i)
        key += QString::number(P[i], 'g', 17) + u' ';
    return key;
}

} // namespace

ObserverPlace dragged(ObserverPlace const &from, QPoint by)
{
    return placed(from.r, from.θ - degrees_per_pixel * by.y(), from.φ - degrees_per_pixel * by.x(),
                  {0, std::numeric_limits<double>::infinity()});
}

ObserverPlace wheeled(ObserverPlace const &from, double notches, RadiusLimits limits)
{
    return placed(from.r * std::pow(wheel_factor, -notches), from.θ, from.φ, limits);
}

std::optional<ObserverPlace> keyed(ObserverPlace const &from, int key, RadiusLimits limits)
{
    double r = from.r, θ = from.θ, φ = from.φ;
    switch (key) {
    case Qt::Key_Left:
        φ -= key_degrees;
        break;
    case Qt::Key_Right:
        φ += key_degrees;
        break;
    case Qt::Key_Up:
        θ -= key_degrees;
        break;
    case Qt::Key_Down:
        θ += key_degrees;
        break;
    case Qt::Key_PageUp:
        r -= key_radius;
        break;
    case Qt::Key_PageDown:
        r += key_radius;
        break;
    default:
        return std::nullopt;
    }
    return placed(r, θ, φ, limits);
}

LiveView::LiveView(MainWindow &window, Ui::MainWindow &ui)
    : QObject(&window), window_(window), ui_(ui),
      box_(new QCheckBox(tr("live view"), ui.tab_compute))
{
    box_->setObjectName(QStringLiteral("checkBox_live"));
    box_->setChecked(true);
    box_->setToolTip(how_to_move());
    ui_.layout_3->addWidget(box_, 3, 0, 1, 2);
    connect(box_, &QCheckBox::toggled, this, [this](bool on) {
        if (!on)
            cancel();
    });
    ui_.label_screen->setFocusPolicy(Qt::StrongFocus);
    ui_.label_screen->setToolTip(how_to_move());
    ui_.label_screen->installEventFilter(this);
    // After the window's own slots, which compile what was confirmed.
    for (QLineEdit *field : metric_fields(ui_))
        connect(field, &QLineEdit::editingFinished, this, &LiveView::metric_confirmed);
    for (QLineEdit *field : {ui_.lineEdit_M, ui_.lineEdit_a, ui_.lineEdit_Q, ui_.lineEdit_L})
        connect(field, &QLineEdit::editingFinished, this, &LiveView::metric_confirmed);
    for (QRadioButton *preset :
         {ui_.radButn1, ui_.radButn2, ui_.radButn3, ui_.radButn4, ui_.radButn5})
        connect(preset, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                metric_confirmed();
        });
}

LiveView::~LiveView()
{
    control_.stop = true;
}

bool LiveView::enabled() const
{
    return box_->isChecked();
}

void LiveView::set_enabled(bool on)
{
    box_->setChecked(on);
}

bool LiveView::idle() const
{
    return enabled() && ui_.PlayButton->isEnabled();
}

void LiveView::restart()
{
    if (!idle())
        return;
    pending_ = true;
    if (rendering_) {
        if (coarse_shown_)
            control_.stop = true;
        return;
    }
    if (!scheduled_) {
        scheduled_ = true;
        QTimer::singleShot(0, this, &LiveView::render_pending);
    }
}

void LiveView::cancel()
{
    rendered_metric_ = metric_key();
    pending_ = false;
    showing_ = false;
    control_.stop = true;
}

// The loop that follows the changes: each pass renders the latest view, and
// a change during a pass raises the stop and asks for one more.
void LiveView::render_pending()
{
    scheduled_ = false;
    if (rendering_)
        return;
    rendering_ = true;
    while (pending_ && idle()) {
        pending_ = false;
        coarse_shown_ = false;
        control_.stop = false;
        render_once();
    }
    pending_ = false;
    rendering_ = false;
}

void LiveView::render_once()
{
    if (const QString problem = window_.input_problem(); !problem.isEmpty()) {
        window_.show_notice(tr("not rendered: %1").arg(problem));
        return;
    }
    // What ▶ would set for its frame; the scene is idle while no run is busy.
    set_render_switches(the_scene, switches_of(ui_));
    if (the_scene.kepler)
        ensure_disk_tables(the_scene);
    scene_ = the_scene;
    rendered_metric_ = metric_key();
    const FrameSize size = resolution(ui_.cBox_res->currentIndex());
    RenderHooks hooks;
    // As ▶'s frames: events between batches, and the cores left to the workers.
    hooks.wait = [] {
        QCoreApplication::processEvents();
        QThread::usleep(1000);
    };
    hooks.level_done = [this, size](int columns, int rows) {
        show_level(size.w, size.h, columns, rows);
    };
    since_change_.start();
    emit started();
    const Observer start = first_observer();
    render_frame(scene_, start, std::numbers::pi / 2 / ui_.verticalSlider->value(), frame_, size.w,
                 size.h, control_, std::move(hooks), 0, scene_.smooth, coarsest_);
    if (!control_.stop && !pending_ && frame_.pixels() > 0 && frame_.done() == frame_.pixels())
        emit settled();
}

// ▶'s first frame stands on the first stored point of the observer's path; a
// cancel raised from the start ends the trace right after it, the rest of
// the path being of no use to one picture.
Observer LiveView::first_observer() const
{
    const std::atomic<bool> after_first{true};
    const Run run(scene_, observer_in_fields(ui_), ui_.spinBox_round->value(), 1,
                  ui_.verticalSlider->value(), &after_first);
    return run.observer(0);
}

void LiveView::show_level(int w, int h, int columns, int rows)
{
    show_frame(ui_, frame_, w, h, columns, rows);
    ui_.label_screen->setToolTip(how_to_move());
    window_.shown_frame = -1;
    showing_ = true;
    emit shown(columns, rows);
    if (!coarse_shown_) {
        coarse_shown_ = true;
        aim_coarsest(since_change_.elapsed());
        if (pending_)
            control_.stop = true;
    }
}

// The first picture of a change should be on the display within
// coarse_aim_ms. Each level has four times the rays of the one before, so a
// slow machine, a loaded one or one ray at a time starts a level coarser,
// and a fast one a level finer, never finer than ▶'s first.
void LiveView::aim_coarsest(qint64 took_ms)
{
    if (took_ms > coarse_aim_ms && coarsest_ > coarsest_offered)
        --coarsest_;
    else if (4 * took_ms < coarse_aim_ms && coarsest_ < first_level)
        ++coarsest_;
}

void LiveView::metric_confirmed()
{
    if (!enabled() || ui_.label_screen->pixmap().isNull())
        return;
    if (!window_.metric_problem.isEmpty()) {
        window_.show_notice(tr("not rendered: %1").arg(window_.metric_problem));
        return;
    }
    if (metric_key() != rendered_metric_)
        restart();
}

ObserverPlace LiveView::place() const
{
    return {ui_.lineEdit_r->text().toDouble(), ui_.lineEdit_th->text().toDouble(),
            ui_.lineEdit_phi->text().toDouble()};
}

RadiusLimits LiveView::limits() const
{
    return {capture_radius(the_scene.horizons, precise),
            escape_radius(the_scene.horizons, precise)};
}

void LiveView::move_to(ObserverPlace const &to)
{
    if (!home_)
        home_ = place();
    if (to == place())
        return;
    window_.move_observer(to);
    if (!drag_at_)
        window_.take_move();
}

bool LiveView::take_mouse(QMouseEvent const &e)
{
    if (e.type() == QEvent::MouseButtonPress && e.button() == Qt::LeftButton) {
        drag_at_ = e.position().toPoint();
        home_ = place();
        return true;
    }
    if (e.type() == QEvent::MouseButtonRelease && e.button() == Qt::LeftButton) {
        drag_at_.reset();
        window_.take_move();
        return true;
    }
    if (e.type() != QEvent::MouseMove || !drag_at_ || !(e.buttons() & Qt::LeftButton))
        return false;
    const QPoint at = e.position().toPoint();
    const QPoint by = at - *drag_at_;
    drag_at_ = at;
    if (!by.isNull())
        move_to(dragged(place(), by));
    return true;
}

bool LiveView::take_wheel(QWheelEvent const &e)
{
    const double notches = e.angleDelta().y() / wheel_notch;
    if (notches == 0)
        return false;
    if (e.modifiers() & Qt::ControlModifier) {
        QSlider &zoom = *ui_.verticalSlider;
        const int before = zoom.value();
        zoom.setValue(before + (notches > 0 ? 1 : -1));
        if (zoom.value() != before)
            restart();
        return true;
    }
    move_to(wheeled(place(), notches, limits()));
    return true;
}

bool LiveView::take_key(QKeyEvent const &e)
{
    if (e.key() == Qt::Key_Home) {
        if (home_ && *home_ != place()) {
            window_.move_observer(*home_);
            window_.take_move();
        }
        return true;
    }
    const auto to = keyed(place(), e.key(), limits());
    if (!to)
        return false;
    move_to(*to);
    return true;
}

bool LiveView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != ui_.label_screen)
        return false;
    if (event->type() == QEvent::Resize) {
        if (showing_ && !rendering_ && window_.shown_frame < 0 && frame_.pixels() > 0)
            show_frame(ui_, frame_, frame_.width(), frame_.height(), 0, 0);
        return false;
    }
    if (!idle())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
        return take_mouse(static_cast<QMouseEvent &>(*event));
    case QEvent::Wheel:
        return take_wheel(static_cast<QWheelEvent &>(*event));
    case QEvent::KeyPress:
        return take_key(static_cast<QKeyEvent &>(*event));
    default:
        return false;
    }
}

void MainWindow::move_observer(ObserverPlace const &to)
{
    const bool proposed = speed_is_proposed();
    ui->lineEdit_r->setText(field_number(to.r));
    ui->lineEdit_th->setText(field_number(to.θ));
    ui->lineEdit_phi->setText(field_number(to.φ));
    if (take_start_radius())
        poc_sour_poz[1] = ui->lineEdit_r->text().toFloat();
    if (take_number(ui->lineEdit_th, "theta", true))
        poc_sour_poz[2] = double(ui->lineEdit_th->text().toFloat()) * std::numbers::pi / 180;
    take_azimuth();
    if (proposed)
        pre_v();
    live->restart();
}
