// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/file_dialogs.h"

#include "app/file_history.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>

namespace
{

QString tr(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

// A dialog of `kind` in the folder last used for it, offering `name` there
// for saving; the folder of the file chosen is the next start.
QString save_as(QWidget *parent, const char *kind, QString const &title, const char *name,
                QString const &filter)
{
    const QString kind_name = QString::fromLatin1(kind);
    const QString chosen = QFileDialog::getSaveFileName(
        parent, title, QDir(start_folder(kind_name)).filePath(QString::fromLatin1(name)), filter);
    remember_folder(kind_name, chosen);
    return chosen;
}

QString open(QWidget *parent, const char *kind, QString const &title, QString const &filter)
{
    const QString kind_name = QString::fromLatin1(kind);
    const QString chosen =
        QFileDialog::getOpenFileName(parent, title, start_folder(kind_name), filter);
    remember_folder(kind_name, chosen);
    return chosen;
}

} // namespace

QString StandardFileDialogs::open_panorama(QWidget *parent)
{
    return open(parent, "panorama", tr("Open panorama"), tr("Images (*.png *.jpg *.bmp)"));
}

QString StandardFileDialogs::save_image(QWidget *parent)
{
    return save_as(parent, "image", tr("Save image"), "hole.jpg", tr("Images (*.jpg *.png *.bmp)"));
}

QString StandardFileDialogs::save_video(QWidget *parent)
{
    return save_as(parent, "video", tr("Save AVI video"), "hole.avi", tr("AVI video (*.avi)"));
}

QString StandardFileDialogs::save_image_sequence(QWidget *parent)
{
    return save_as(parent, "video", tr("Save numbered JPG images"), "hole.jpg",
                   tr("JPG images (*.jpg)"));
}

QString StandardFileDialogs::save_mp4(QWidget *parent)
{
    return save_as(parent, "video", tr("Save MP4 video"), "hole.mp4", tr("MP4 video (*.mp4)"));
}

QString StandardFileDialogs::open_scene(QWidget *parent)
{
    return open(parent, "scene", tr("Open scene"), tr("Scenes (*.json);;All files (*)"));
}

QString StandardFileDialogs::save_scene(QWidget *parent)
{
    return save_as(parent, "scene", tr("Save scene"), "scene.json",
                   tr("Scenes (*.json);;All files (*)"));
}
