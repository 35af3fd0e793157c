// SPDX-License-Identifier: GPL-3.0-or-later
#include "video/output_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// Enough for any sane chain; a loop of links ends here as well.
constexpr int most_links = 40;

// Names taken by others are passed over; this many in a row means
// something else is wrong.
constexpr int most_name_tries = 100;

QString cannot_write(QString const &name, QString const &why)
{
    return QStringLiteral("cannot write %1: %2").arg(name, why);
}

QString system_reason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Its rights say no one writes it; root may, but would hardly mean to.
bool read_only(QFileInfo const &file)
{
    return !file.isWritable() ||
           !(file.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));
}

// Short whatever the final name: "tenebrion-", six random characters, ".part".
QString temporary_name()
{
    static constexpr char letters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString name = QStringLiteral("tenebrion-");
    for (int i = 0; i < 6; ++i)
        name += QLatin1Char(letters[QRandomGenerator::global()->bounded(62)]);
    return name + QStringLiteral(".part");
}

// Why `name` (through links) cannot be written; empty when `target` is set.
QString target_problem(QString const &name, QString &target)
{
    QString path = name;
    for (int i = 0; QFileInfo(path).isSymLink(); ++i) {
        if (i == most_links)
            return QStringLiteral("too many levels of symbolic links");
        path = QFileInfo(path).symLinkTarget();
    }
    const QFileInfo file(path);
    if (file.exists() && !file.isFile())
        return QStringLiteral("not a regular file");
    if (file.exists() && read_only(file))
        return QStringLiteral("the file is read-only");
    target = path;
    return {};
}

} // namespace

PendingFile::~PendingFile()
{
    discard();
}

void PendingFile::close_handle()
{
    if (handle_ >= 0)
        ::close(handle_);
    handle_ = -1;
}

QString PendingFile::create(QString const &name)
{
    discard();
    if (QString why = target_problem(name, target_); !why.isEmpty())
        return why;
    // Beside the target, so that the rename cannot cross file systems. A new
    // file's permissions are what the system gives (0666 less the umask); one
    // that replaces a file takes that file's.
    const QDir folder = QFileInfo(target_).dir();
    for (int i = 0; i < most_name_tries && handle_ < 0; ++i) {
        const QString path = folder.filePath(temporary_name());
        handle_ = ::open(QFile::encodeName(path).constData(),
                         O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (handle_ >= 0)
            temporary_ = path;
        else if (errno != EEXIST)
            return system_reason();
    }
    if (handle_ < 0)
        return system_reason();
    struct stat old {
    };
    if (::stat(QFile::encodeName(target_).constData(), &old) == 0)
        ::fchmod(handle_, old.st_mode & 07777);
    return {};
}

QString PendingFile::append(QByteArray const &bytes)
{
    for (qsizetype at = 0; at < bytes.size();) {
        const ssize_t written =
            ::write(handle_, bytes.constData() + at, std::size_t(bytes.size() - at));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? system_reason() : QStringLiteral("nothing was written");
        at += written;
    }
    return {};
}

QString PendingFile::commit()
{
    // On the disk before it takes the name: a failure to write back (a full
    // disk found late) shows here, while the old file is still whole.
    QString why;
    if (::fsync(handle_) != 0 && errno != EINVAL)
        why = system_reason();
    if (::close(handle_) != 0 && why.isEmpty())
        why = system_reason();
    handle_ = -1;
    if (why.isEmpty() && std::rename(QFile::encodeName(temporary_).constData(),
                                     QFile::encodeName(target_).constData()) != 0)
        why = system_reason();
    if (why.isEmpty())
        temporary_.clear();
    else
        discard();
    return why;
}

void PendingFile::discard()
{
    close_handle();
    if (!temporary_.isEmpty())
        ::unlink(QFile::encodeName(temporary_).constData());
    temporary_.clear();
}

QString write_whole_file(QString const &name, QByteArray const &bytes)
{
    PendingFile file;
    QString why = file.create(name);
    if (why.isEmpty())
        why = file.append(bytes);
    if (why.isEmpty())
        why = file.commit();
    return why.isEmpty() ? why : cannot_write(name, why);
}
