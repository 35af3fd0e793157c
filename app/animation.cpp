// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"

#include "app/compute.h"
#include "app/observer_fields.h"
#include "app/resolutions.h"
#include "app/shared.h"
#include "app/state.h"
#include "app/status_messages.h"
#include "render/raw_image.h"
#include "render/run_plan.h"
#include "scene/run.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>
#include <QStatusBar>

#include <algorithm>
#include <iterator>

namespace
{

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

// Frame k of n; after a run cut short, n counts the frames it finished.
void show_frame_number(Ui::MainWindow &ui, int k, int n, bool cut_short)
{
    const QString shown = QCoreApplication::translate(
                              "MainWindow", cut_short ? "frame %1 / %2 rendered" : "frame %1 / %2")
                              .arg(k + 1)
                              .arg(n);
    ui.lab_tot_time->setToolTip(
        QCoreApplication::translate("MainWindow", "Time left for the rest of the run.") + u'\n' +
        shown);
    ui.horizontalSlider->setToolTip(shown);
}

void back_to_idle(Ui::MainWindow &ui)
{
    stop = false;
    ui.StopButton->setEnabled(false);
    ui.PlayButton->setEnabled(true);
}

// The frames from the first on that a run finished: a stop leaves the frame it
// came in partly rendered and the later ones black.
int finished_frames(int frames)
{
    int n = 0;
    while (n < frames && image[n].pixels() > 0 && image[n].done() == image[n].pixels())
        ++n;
    return n;
}

// Of the pixels the run set out to render, the share it rendered: the
// finished frames and the one it was in; the later ones still hold an older run.
double rendered_share(int frames, int finished)
{
    double done = finished;
    if (finished < frames && image[finished].pixels() > 0)
        done += double(image[finished].done()) / double(image[finished].pixels());
    return frames > 0 ? done / frames : 0;
}

double megabytes(std::size_t bytes)
{
    return double(bytes) / (1024.0 * 1024.0);
}

void refuse_run(Ui::MainWindow &ui, int frames, FrameSize size, std::size_t budget)
{
    const std::size_t needed = store_bytes_after_run(image, frames, size.w, size.h);
    ui.label_screen->setText(
        QCoreApplication::translate("MainWindow", "Not enough memory for %1 frames of %2×%3: "
                                                  "they need %4 MB, %5 MB can be used.")
            .arg(frames)
            .arg(size.w)
            .arg(size.h)
            .arg(megabytes(needed), 0, 'f', 0)
            .arg(megabytes(budget), 0, 'f', 0));
}

} // namespace

void MainWindow::on_PlayButton_clicked()
{
    live->cancel();
    const QString problem = input_problem();
    if (!problem.isEmpty()) {
        ui->label_screen->setText(tr("Cannot render until this is fixed: %1").arg(problem));
        shown_frame = -1;
        return;
    }
    stop = false;
    ui->StopButton->setEnabled(true);
    ui->PlayButton->setEnabled(false);
    const FrameSize size = resolution(ui->cBox_res->currentIndex());
    recomp(size.w, size.h);
}

void MainWindow::recomp(int w, int h)
{
    const int frames = frames_asked(*ui);
    const std::size_t budget = frame_memory_budget();
    if (!run_fits(image, frames, w, h, budget)) {
        refuse_run(*ui, frames, {w, h}, budget);
        shown_frame = -1;
        back_to_idle(*ui);
        return;
    }
    // Frame 0 is rendered anew in any case.
    if (const QString e = allocate_frame(image[0], w, h); !e.isEmpty()) {
        ui->label_screen->setText(sentence(e));
        shown_frame = -1;
        back_to_idle(*ui);
        return;
    }
    set_run_controls_enabled(*ui, false);

    const Run run(the_scene, observer_in_fields(*ui), ui->spinBox_round->value(), frames,
                  ui->verticalSlider->value(), &stop);

    ui->horizontalSlider->setMaximum(std::max(frames - 1, 0));
    ui->label_screen->setToolTip(QString());
    run_cut_short = false;
    long long untraced = 0; // the most in one frame
    for (frame = 0; frame < frames; ++frame) {
        ui->horizontalSlider->setValue(frame);
        show_progress(*ui, 0);
        // Unknown until the first pixels are handed out.
        ui->lab_est_time->setText(QStringLiteral("--:--:--:--"));
        const Observer o = run.observer(frame);
        const qint64 ms = Compute(o.x, o.v, w, h, run.width(), ui.get());
        untraced = std::max(untraced, the_control.untraced.load());
        // During the frame the label counts down; afterwards it tells what the
        // frame took.
        if (image[frame].done() == image[frame].pixels())
            show_progress(*ui, 1);
        ui->lab_est_time->setText(to_time(ms));
        ui->lab_tot_time->setText(to_time((frames - frame - 1) * ms));
        show_frame_number(*ui, frame, frames, false);
    }
    const int finished = finished_frames(frames);
    end_browsing_at(frames, finished);
    if (frames == 1)
        frame = 0;
    if (stop)
        statusBar()->showMessage(stopped_text(rendered_share(frames, finished)));

    back_to_idle(*ui);
    set_run_controls_enabled(*ui, true);
    if (zoom_stopped)
        show_notice(tr("stopped: zoom changed, press ▶ to render at the new zoom"));
    else if (untraced > 0)
        show_notice(untraced_note(untraced));
    zoom_stopped = false;
}

void MainWindow::on_StopButton_clicked()
{
    stop = true;
    ui->StopButton->setEnabled(false);
}

// A release during a run cancels it, and the display says why: the coarse
// preview left behind would otherwise look like the result.
void MainWindow::on_verticalSlider_sliderReleased()
{
    zoom_stopped = !ui->PlayButton->isEnabled();
    emit ui->StopButton->clicked(false);
    QCoreApplication::processEvents();
}

void MainWindow::on_horizontalSlider_sliderMoved(int f)
{
    show_stored_frame(f);
}

// Clicks on the track, keys and the wheel move the browser without a drag;
// a drag reports each position through sliderMoved already. During a run the
// loop itself moves the slider to the frame being rendered.
void MainWindow::show_browsed(int f)
{
    if (ui->horizontalSlider->isEnabled() && !ui->horizontalSlider->isSliderDown())
        show_stored_frame(f);
}

void MainWindow::show_stored_frame(int f)
{
    if (f < 0 || f >= store_size || image[f].pixels() == 0)
        return;
    MyImage &entry = image[f];
    show_frame(*ui, entry, entry.width(), entry.height(), 0, 0);
    ui->label_screen->setToolTip(QString());
    shown_frame = f;
    show_frame_number(*ui, f, ui->horizontalSlider->maximum() + 1, run_cut_short);
}

// The browser reaches the frames the run finished, and stands on the last of
// them; a run stopped in its first frame leaves that frame, partly rendered.
void MainWindow::end_browsing_at(int frames, int finished)
{
    run_cut_short = finished > 0 && finished < frames;
    const int last = std::max(finished, 1) - 1;
    ui->horizontalSlider->setMaximum(last);
    ui->horizontalSlider->setValue(last);
    shown_frame = last;
    if (run_cut_short && finished > 0)
        show_stored_frame(last);
    else
        show_frame_number(*ui, last, last + 1, run_cut_short);
}

// Over the picture shown, or alone when there is none.
void MainWindow::show_notice(const QString &text)
{
    QPixmap shown = ui->label_screen->pixmap();
    ui->label_screen->setToolTip(text);
    if (shown.isNull()) {
        ui->label_screen->setText(text);
        return;
    }
    QPainter painter(&shown);
    const QRect band(0, shown.height() - 2 * painter.fontMetrics().height(), shown.width(),
                     2 * painter.fontMetrics().height());
    painter.fillRect(band, QColor(0, 0, 0, 160));
    painter.setPen(Qt::white);
    painter.drawText(band, Qt::AlignCenter, text);
    painter.end();
    ui->label_screen->setPixmap(shown);
}
