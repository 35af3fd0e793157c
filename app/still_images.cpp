// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"

#include "app/shared.h"
#include "app/state.h"
#include "app/status_messages.h"
#include "render/frame_buffer.h"
#include "render/still_image.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStatusBar>

#include <algorithm>
#include <iterator>

void MainWindow::on_OpenImageButton_clicked()
{
    const QString name = file_dialogs->open_panorama(this);
    // A cancel, like a file that cannot be read, leaves the panorama null:
    // the checkerboard is back.
    if (!b_gnd.load(name) && !name.isEmpty())
        warn(tr("Could not read %1 as an image; the background stays the checkerboard.")
                 .arg(QDir::toNativeSeparators(name)));
    panorama_file = b_gnd.isNull() ? QString() : QFileInfo(name).absoluteFilePath();
    panorama_key = b_gnd.cacheKey();
}

// The frame the display shows: the one chosen with the frame slider, which
// after a run stands on the last rendered frame.
void MainWindow::on_SaveImageButton_clicked()
{
    const QString name = file_dialogs->save_image(this);
    if (name.isEmpty())
        return;
    const int shown = std::clamp(ui->horizontalSlider->value(), 0, int(std::size(image)) - 1);
    const QString error = save_frame(image[shown], name, the_scene.metric, sour);
    if (!error.isEmpty())
        warn(sentence(error));
    else
        statusBar()->showMessage(image_saved_text(name));
}

void MainWindow::warn(QString const &text)
{
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Tenebrion"), text,
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

QString MainWindow::sentence(QString const &message)
{
    return message.left(1).toUpper() + message.mid(1) + u'.';
}
