// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/file_dialogs.h"
#include "app/mainwindow.h"

#include <memory>

// Answers the window's file dialogs without a person: one name per dialog,
// empty for a cancel.
struct Answers : FileDialogs {
    QString panorama, image, video, sequence, mp4, scene;
    QString open_panorama(QWidget *) override { return panorama; }
    QString save_image(QWidget *) override { return image; }
    QString save_video(QWidget *) override { return video; }
    QString save_image_sequence(QWidget *) override { return sequence; }
    QString save_mp4(QWidget *) override { return mp4; }
    QString open_scene(QWidget *) override { return scene; }
    QString save_scene(QWidget *) override { return scene; }
};

// The window's dialogs answered by the returned object, which the window owns.
inline Answers &answer_dialogs(MainWindow &window)
{
    auto owned = std::make_unique<Answers>();
    Answers &answers = *owned;
    window.set_file_dialogs(std::move(owned));
    return answers;
}
