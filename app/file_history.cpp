// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/file_history.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace
{

const QString recent_key = QStringLiteral("recent scenes");

QString folder_key(QString const &kind)
{
    return QStringLiteral("last folder/") + kind;
}

} // namespace

QString start_folder(QString const &kind)
{
    const QString folder = QSettings().value(folder_key(kind)).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

void remember_folder(QString const &kind, QString const &file)
{
    if (!file.isEmpty())
        QSettings().setValue(folder_key(kind), QFileInfo(file).absolutePath());
}

QStringList recent_scenes()
{
    QSettings settings;
    const QStringList stored = settings.value(recent_key).toStringList();
    QStringList present;
    for (QString const &path : stored)
        if (QFileInfo(path).isFile() && present.size() < most_recent_scenes)
            present << path;
    if (present != stored)
        settings.setValue(recent_key, present);
    return present;
}

void add_recent_scene(QString const &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList scenes = recent_scenes();
    scenes.removeAll(absolute);
    scenes.prepend(absolute);
    QSettings().setValue(recent_key, scenes.mid(0, most_recent_scenes));
}
