#pragma once

#include <QByteArray>
#include <QString>

// Writes `bytes` to a temporary file beside `path` that replaces it only once
// every byte is on disk: a disk that fills up leaves an older file whole and
// no partial one. Writes through a symbolic link to its target and refuses a
// file it may not write. Empty on success, else the system's reason.
[[nodiscard]] QString write_whole_file(QString const &path, QByteArray const &bytes);
