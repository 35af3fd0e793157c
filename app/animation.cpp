#include "app/mainwindow.h"

#include "app/compute.h"
#include "app/observer_start.h"
#include "app/state.h"
#include "physics/frames.h"
#include "physics/geodesic.h"
#include "physics/orbits.h"
#include "render/overlay.h"
#include "render/raw_image.h"
#include "render/run_plan.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QPixmap>

#include <algorithm>
#include <iterator>
#include <numbers>

namespace
{

struct frame_size {
    int w, h;
};

// By item of the resolution box.
constexpr frame_size resolutions[] = {{160, 120},  {320, 240},   {800, 600},  {1024, 768},
                                      {1280, 960}, {2048, 1536}, {4096, 3072}};

frame_size resolution(int index)
{
    return resolutions[std::clamp(index, 0, int(std::size(resolutions)) - 1)];
}

constexpr int store_size = int(std::size(image));

// Never more frames than the store holds.
int frames_asked(Ui::MainWindow const &ui)
{
    if (!ui.checkBox_anim->isChecked())
        return 1;
    return std::clamp(ui.comboBox_Frames->currentText().toInt(), 0, store_size);
}

void set_run_controls_enabled(Ui::MainWindow &ui, bool enabled)
{
    ui.tab_param->setEnabled(enabled);
    ui.tab_settings->setEnabled(enabled);
    ui.tab_geodetics->setEnabled(enabled);
    ui.horizontalSlider->setEnabled(enabled);
}

void back_to_idle(Ui::MainWindow &ui)
{
    stop = false;
    ui.StopButton->setEnabled(false);
    ui.PlayButton->setEnabled(true);
}

double megabytes(std::size_t bytes)
{
    return double(bytes) / (1024.0 * 1024.0);
}

void refuse_run(Ui::MainWindow &ui, int frames, frame_size size, std::size_t budget)
{
    const std::size_t needed = store_bytes_after_run(frames, size.w, size.h);
    ui.label_screen->setText(
        QCoreApplication::translate("MainWindow", "Not enough memory for %1 frames of %2×%3: "
                                                  "they need %4 MB, %5 MB can be used.")
            .arg(frames)
            .arg(size.w)
            .arg(size.h)
            .arg(megabytes(needed), 0, 'f', 0)
            .arg(megabytes(budget), 0, 'f', 0));
}

struct observer {
    f_vec x, v;
};

observer starting_observer(Ui::MainWindow const &ui)
{
    const double s = ui.lineEdit_v->text().toFloat();
    const f_vec x0 = observer_start(ui);
    return {x0, f_tet(four_vt(s), x0)};
}

// A path that stored nothing (the observer ended at once) leaves every frame
// at the starting point.
observer observer_of_frame(geo const &path, int k, int frames, observer const &start)
{
    const int idx = path_point(path.getCount(), k, frames);
    if (idx < 0)
        return start;
    return {path.getX(idx), path.getV(idx)};
}

} // namespace

void MainWindow::on_PlayButton_clicked()
{
    const QString problem = input_problem();
    if (!problem.isEmpty()) {
        ui->label_screen->setText(tr("Cannot render until this is fixed: %1").arg(problem));
        return;
    }
    stop = false;
    ui->StopButton->setEnabled(true);
    ui->PlayButton->setEnabled(false);
    const frame_size size = resolution(ui->cBox_res->currentIndex());
    recomp(size.w, size.h);
}

void MainWindow::recomp(int w, int h)
{
    const int frames = frames_asked(*ui);
    const std::size_t budget = frame_memory_budget();
    if (!run_fits(frames, w, h, budget)) {
        refuse_run(*ui, frames, {w, h}, budget);
        back_to_idle(*ui);
        return;
    }
    set_run_controls_enabled(*ui, false);

    const observer start = starting_observer(*ui);
    geo path;
    {
        end e((0.03 * precise + 1.0) * VneH(), ui->spinBox_round->value());
        f_vec x = start.x, u = start.v;
        geodetika(x, u, e, precise / 10.0, &path);
    }

    ui->horizontalSlider->setMaximum(std::max(frames - 1, 0));
    for (frame = 0; frame < frames; ++frame) {
        ui->horizontalSlider->setValue(frame);
        const double z = std::numbers::pi / 2 / ui->verticalSlider->value();
        const observer o = observer_of_frame(path, frame, frames, start);
        const qint64 ms = Compute(o.x, o.v, w, h, z, ui.get());
        ui->lab_est_time->setText(to_time(60 * ms));
        ui->lab_tot_time->setText(to_time((frames - frame - 1) * ms));
    }
    if (frames == 1)
        frame = 0;

    back_to_idle(*ui);
    set_run_controls_enabled(*ui, true);
}

void MainWindow::on_StopButton_clicked()
{
    stop = true;
    ui->StopButton->setEnabled(false);
}

void MainWindow::on_verticalSlider_sliderReleased()
{
    emit ui->StopButton->clicked(false);
    QCoreApplication::processEvents();
}

void MainWindow::on_horizontalSlider_sliderMoved(int f)
{
    if (f < 0 || f >= store_size)
        return;
    MyImage &entry = image[f];
    const QPixmap own =
        QPixmap::fromImage(raw_to_image(entry, entry.width(), entry.height(), 0, 0))
            .scaled(entry.width(), entry.height(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QPixmap shown = own.scaled(ui->label_screen->geometry().size(),
                                     Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    ui->label_screen->setPixmap(addTxtImg(shown, entry));
}
