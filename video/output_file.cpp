#include "video/output_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// Enough for any sane chain; a loop of links ends here as well.
constexpr int most_links = 40;

// Short whatever the final name: "tenebrion-" and six random characters.
constexpr char temporary_pattern[] = "tenebrion-XXXXXX.part";
constexpr int temporary_suffix = 5; // ".part"

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

// The file replaces `target` with its permissions, or is new and gets what
// any new file gets (a temporary file is private to its owner).
mode_t permissions_for(QByteArray const &target)
{
    struct stat old {
    };
    if (::stat(target.constData(), &old) == 0)
        return old.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
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
    // Beside the target, so that the rename cannot cross file systems.
    QByteArray path = QFile::encodeName(
        QFileInfo(target_).dir().filePath(QString::fromLatin1(temporary_pattern)));
    handle_ = ::mkostemps(path.data(), temporary_suffix, O_CLOEXEC);
    if (handle_ < 0)
        return system_reason();
    temporary_ = QFile::decodeName(path);
    ::fchmod(handle_, permissions_for(QFile::encodeName(target_)));
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
    const bool closed = handle_ < 0 || ::close(handle_) == 0;
    handle_ = -1;
    if (!closed || std::rename(QFile::encodeName(temporary_).constData(),
                               QFile::encodeName(target_).constData()) != 0) {
        const QString why = system_reason();
        discard();
        return why;
    }
    temporary_.clear();
    return {};
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
