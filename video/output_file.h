#pragma once

#include <QByteArray>
#include <QString>

// Where writing `name` lands: through symbolic links to the file they name,
// so a link stays a link. Empty when that can be written (target set), else
// "cannot write NAME: why": something that is not a regular file (a device,
// a folder) is never replaced, and a read-only file is not overwritten.
[[nodiscard]] QString output_target(QString const &name, QString &target);

// Makes `bytes` the whole content of `name` (through links, as above). They
// are written under a temporary name in the same folder, renamed over `name`
// only once all of them are on disk, so a full disk leaves the old file, or
// none, but never a part. Empty on success, else "cannot write NAME: reason"
// with the system's reason.
[[nodiscard]] QString write_whole_file(QString const &name, QByteArray const &bytes);
