// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/compute.h"
#include "app/mainwindow.h"

#include "app/shared.h"
#include "app/state.h"
#include "app/status_messages.h"
#include "render/frame_buffer.h"
#include "scene/settings.h"
#include "ui_mainwindow.h"
#include "video/frame_export.h"

#include <QCoreApplication>
#include <QStatusBar>

#include <algorithm>

namespace
{

// While frames are written: the progress bar and Stop on the display tab,
// nothing that could render into the store or start another export.
class ExportBusy
{
  public:
    explicit ExportBusy(Ui::MainWindow &ui) : ui_(ui), tab_(ui.tabWidget->currentIndex())
    {
        stop = false;
        set_enabled(false);
        ui_.tabWidget->setCurrentWidget(ui_.tab_compute);
        show_progress(ui_, 0);
    }
    ~ExportBusy()
    {
        stop = false;
        set_enabled(true);
        ui_.tabWidget->setCurrentIndex(tab_);
    }

  private:
    void set_enabled(bool idle)
    {
        for (QWidget *w : {ui_.tab_param, ui_.tab_settings, ui_.tab_geodetics,
                           static_cast<QWidget *>(ui_.PlayButton)})
            w->setEnabled(idle);
        ui_.StopButton->setEnabled(!idle);
    }

    Ui::MainWindow &ui_;
    int tab_;
};

} // namespace

void MainWindow::on_saveVideoButton_clicked()
{
    // In the order of the scene file's format names.
    constexpr ExportFormat formats[] = {ExportFormat::avi, ExportFormat::image_sequence,
                                        ExportFormat::mp4};
    ExportOptions options;
    options.format = formats[scene_settings().video_format];
    options.path = options.format == ExportFormat::image_sequence
                       ? file_dialogs->save_image_sequence(this)
                   : options.format == ExportFormat::mp4 ? file_dialogs->save_mp4(this)
                                                         : file_dialogs->save_video(this);
    if (options.path.isEmpty())
        return;
    options.frames = ui->comboBox_Frames->currentText().toInt();
    options.rate = frame_rate_of(ui->comboBox_FrameRate->currentText());
    options.overlay = sour;
    options.progress = [this](int written, int total) {
        show_progress(*ui, total > 0 ? double(written) / total : 1.0);
        QCoreApplication::processEvents();
        return !stop;
    };

    ExportResult result;
    {
        ExportBusy busy(*ui);
        result = export_frames(image, the_scene.metric, options);
    }
    if (closing)
        return;
    if (!result.error.isEmpty())
        warn(result.error);
    else
        statusBar()->showMessage(export_done_text(result, options));
}
