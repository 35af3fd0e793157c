// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

// Where the window asks for file names. The window's own answers come from
// the standard dialogs; anything that must answer without a person (the
// window tests) puts its own in their place. An empty name is a cancel.
class FileDialogs
{
  public:
    virtual ~FileDialogs() = default;
    virtual QString open_panorama(QWidget *parent) = 0;
    virtual QString save_image(QWidget *parent) = 0;
    virtual QString save_video(QWidget *parent) = 0;
    virtual QString save_image_sequence(QWidget *parent) = 0;
    virtual QString save_mp4(QWidget *parent) = 0;
    virtual QString open_scene(QWidget *parent) = 0;
    virtual QString save_scene(QWidget *parent) = 0;
};

// The standard dialogs, each starting in the folder last used for its kind
// of file (app/file_history.h); the video dialogs name their format.
class StandardFileDialogs : public FileDialogs
{
  public:
    QString open_panorama(QWidget *parent) override;
    QString save_image(QWidget *parent) override;
    QString save_video(QWidget *parent) override;
    QString save_image_sequence(QWidget *parent) override;
    QString save_mp4(QWidget *parent) override;
    QString open_scene(QWidget *parent) override;
    QString save_scene(QWidget *parent) override;
};
