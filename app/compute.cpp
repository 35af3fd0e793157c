// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/compute.h"

#include "app/shared.h"
#include "app/state.h"
#include "render/raw_image.h"
#include "scene/run.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QThread>

#include <memory>

RenderSwitches switches_of(Ui::MainWindow const &ui)
{
    return {ui.checkBox_aber->isChecked(), ui.checkBox_redshift->isChecked(),
            ui.checkBox_kepler->isChecked(), ui.checkBox_beam->isChecked(),
            ui.radioButton_sim->isChecked()};
}

namespace
{

// The share of the frame's rays traced so far, and the time the rest needs.
struct FrameProgress {
    double share = 0;
    long long remaining_ms = 0;
};

void show_frame_progress(Ui::MainWindow &ui, FrameProgress const &progress)
{
    if (progress.share <= 0)
        return;
    show_progress(ui, progress.share);
    ui.lab_est_time->setText(to_time(progress.remaining_ms));
}

constexpr qint64 progress_interval_ms = 200;

RenderHooks window_hooks(Ui::MainWindow &ui, int w, int h, QElapsedTimer const &timer)
{
    RenderHooks hooks;
    auto latest = std::make_shared<FrameProgress>();
    // A bare processEvents loop would spin and take a core from the workers.
    // The queue holds 1024 waiting pixels, tens of milliseconds of work even
    // for the cheapest rays, so a millisecond's pause never lets the workers
    // run dry; a shorter one only multiplies the wake-ups: at 0.2 ms, on a
    // busy machine, they cost a tenth of a frame's processor time. The bar
    // moves here too: a whole percent of a large frame takes far longer than
    // anyone waits for a sign of life.
    hooks.wait = [&ui, &timer, latest, shown_at = qint64(0)]() mutable {
        QCoreApplication::processEvents();
        if (timer.elapsed() - shown_at >= progress_interval_ms) {
            shown_at = timer.elapsed();
            show_frame_progress(ui, *latest);
        }
        QThread::usleep(1000);
    };
    hooks.advanced = [latest](double share, long long remaining_ms) {
        *latest = {share, remaining_ms};
    };
    hooks.progress = [&ui, latest](int, long long) { show_frame_progress(ui, *latest); };
    hooks.level_done = [&ui, w, h](int columns, int rows) {
        show_frame(ui, image[frame], w, h, columns, rows);
    };
    return hooks;
}

} // namespace

void show_progress(Ui::MainWindow &ui, double share)
{
    const int steps = ui.progressBar->maximum();
    ui.progressBar->setValue(static_cast<int>(share * steps));
    ui.progressBar->setFormat(QString::number(100.0 * ui.progressBar->value() / steps, 'f', 2) +
                              QStringLiteral(" %"));
}

void show_frame(Ui::MainWindow &ui, MyImage &entry, int w, int h, int columns, int rows)
{
    const QPixmap grid = QPixmap::fromImage(raw_to_image(entry, w, h, columns, rows))
                             .scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // The whole frame, as large as the display allows: cropping it to fill
    // the display would cut off the caption's top row.
    const QPixmap shown =
        grid.scaled(ui.label_screen->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    ui.label_screen->setPixmap(addTxtImg(shown, entry));
}

qint64 Compute(f_vec x, f_vec v, int w, int h, double z, Ui::MainWindow *ui)
{
    QElapsedTimer timer;
    timer.start();
    set_render_switches(the_scene, switches_of(*ui));
    // A cancelled frame dispatches nothing, so it needs no fresh disk tables.
    if (kepler && !stop)
        ensure_disk_tables(the_scene);
    render_frame(the_scene, {x, v}, z, image[frame], w, h, the_control,
                 window_hooks(*ui, w, h, timer), 0, the_scene.smooth);
    return timer.elapsed();
}
