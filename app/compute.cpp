#include "app/compute.h"

#include "render/raw_image.h"
#include "scene/run.h"
#include "app/shared.h"
#include "app/state.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QThread>

namespace
{

RenderSwitches switches_of(Ui::MainWindow const &ui)
{
    return {ui.checkBox_aber->isChecked(), ui.checkBox_redshift->isChecked(),
            ui.checkBox_kepler->isChecked(), ui.checkBox_beam->isChecked(),
            ui.radioButton_sim->isChecked()};
}

// A bare processEvents loop would spin and take a core from the workers. The
// queue holds 1024 waiting pixels, tens of milliseconds of work even for the
// cheapest rays, so a millisecond's pause never lets the workers run dry; a
// shorter one only multiplies the wake-ups: at 0.2 ms, on a busy machine,
// they cost a tenth of a frame's processor time.
void keep_window_live()
{
    QCoreApplication::processEvents();
    QThread::usleep(1000);
}

RenderHooks window_hooks(Ui::MainWindow &ui, int w, int h)
{
    RenderHooks hooks;
    hooks.wait = keep_window_live;
    hooks.progress = [&ui](int percent, long long remaining_ms) {
        ui.progressBar->setValue(percent);
        ui.lab_est_time->setText(to_time(remaining_ms));
    };
    hooks.level_done = [&ui, w, h](int columns, int rows) {
        show_frame(ui, image[frame], w, h, columns, rows);
    };
    return hooks;
}

} // namespace

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
    render_frame(the_scene, {x, v}, z, image[frame], w, h, the_control, window_hooks(*ui, w, h));
    return timer.elapsed();
}
