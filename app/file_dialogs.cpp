#include "app/file_dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>

namespace
{

QString tr(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

} // namespace

QString StandardFileDialogs::open_panorama(QWidget *parent)
{
    return QFileDialog::getOpenFileName(parent, tr("Open Image"), QDir::homePath() + "/Desktop",
                                        tr("Image Files (*.png *.jpg *.bmp)"));
}

QString StandardFileDialogs::save_image(QWidget *parent)
{
    return QFileDialog::getSaveFileName(parent, tr("Save Image"),
                                        QDir::homePath() + "/Desktop/hole.jpg",
                                        tr("Image Files (*.jpg *.png *.bmp)"));
}

QString StandardFileDialogs::save_video(QWidget *parent)
{
    return QFileDialog::getSaveFileName(parent, tr("Save Image"),
                                        QDir::homePath() + "/Desktop/hole.avi",
                                        tr("Image Files (*.avi)"));
}

QString StandardFileDialogs::save_image_sequence(QWidget *parent)
{
    return QFileDialog::getSaveFileName(parent, tr("Save Image"),
                                        QDir::homePath() + "/Desktop/hole.jpg",
                                        tr("Image Files (*.jpg)"));
}

QString StandardFileDialogs::save_mp4(QWidget *parent)
{
    return QFileDialog::getSaveFileName(
        parent, tr("Save video"), QDir::homePath() + "/Desktop/hole.mp4", tr("MP4 video (*.mp4)"));
}

QString StandardFileDialogs::open_scene(QWidget *parent)
{
    return QFileDialog::getOpenFileName(parent, tr("Open scene"), QDir::homePath() + "/Desktop",
                                        tr("Scenes (*.json);;All files (*)"));
}

QString StandardFileDialogs::save_scene(QWidget *parent)
{
    return QFileDialog::getSaveFileName(parent, tr("Save scene"),
                                        QDir::homePath() + "/Desktop/scene.json",
                                        tr("Scenes (*.json);;All files (*)"));
}
