// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// What the window remembers of files between sessions, in the user's
// settings (QSettings of the application).

inline constexpr int most_recent_scenes = 8;

// The folder a dialog for files of `kind` ("scene", "image", "video", …)
// opens in: the one last used for that kind, or the home folder when there
// is none or it is gone.
QString start_folder(QString const &kind);
// `file` was chosen in a dialog for files of `kind`: its folder is the next start.
void remember_folder(QString const &kind, QString const &file);

// The scenes opened or saved last, the latest first, at most
// most_recent_scenes; those no longer there are dropped for good.
QStringList recent_scenes();
void add_recent_scene(QString const &path);
