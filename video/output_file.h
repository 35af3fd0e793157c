// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// A file that grows under a fresh name of its own beside its final name and
// takes that name only when committed. The final name is written through
// symbolic links to the file they name, so a link stays a link; something
// that is not a regular file (a device, a fifo, a folder) is never replaced,
// and a read-only file is not overwritten; both are refused without opening
// them, so nothing blocks. The temporary name is short, so any final name the
// system accepts works; it is made exclusively, so nothing that was there
// before is ever opened. Whatever is not committed is removed when the
// object goes, and only what it made itself.
class PendingFile
{
  public:
    PendingFile() = default;
    ~PendingFile();
    PendingFile(PendingFile const &) = delete;
    PendingFile &operator=(PendingFile const &) = delete;

    // Resolves `name` through its links, refuses what may not be replaced and
    // makes the temporary file, open for writing, with the permissions of the file it will replace
    // (a new file's usual ones if none). Empty, or why not; like the other members it gives only
    // the reason, for the caller to name the file.
    [[nodiscard]] QString create(QString const &name);

    // Writes all of `bytes` at the end; empty or why not.
    [[nodiscard]] QString append(QByteArray const &bytes);

    // Closes the temporary file and renames it over the final name. Empty,
    // or why not, the temporary file then removed.
    [[nodiscard]] QString commit();

    // Removes the temporary file; the final name is left as it was.
    void discard();

    QString const &temporary() const { return temporary_; }
    QString const &target() const { return target_; }

  private:
    void close_handle();

    QString target_, temporary_;
    int handle_ = -1;
};

// Makes `bytes` the whole content of `name` through a PendingFile, so a full
// disk leaves the old file, or none, but never a part. Empty on success, else
// "cannot write NAME: reason" with the system's reason.
[[nodiscard]] QString write_whole_file(QString const &name, QByteArray const &bytes);
