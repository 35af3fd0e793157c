#include "video/output_file.h"

#include <QFileInfo>
#include <QSaveFile>

namespace
{

// Enough for any sane chain; a loop of links ends here as well.
constexpr int most_links = 40;

QString cannot(QString const &name, QString const &why)
{
    return QStringLiteral("cannot write %1: %2").arg(name, why);
}

// Its rights say no one writes it; root may, but would hardly mean to.
bool read_only(QFileInfo const &file)
{
    return !file.isWritable() ||
           !(file.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));
}

} // namespace

QString output_target(QString const &name, QString &target)
{
    QString path = name;
    for (int i = 0; QFileInfo(path).isSymLink(); ++i) {
        if (i == most_links)
            return cannot(name, QStringLiteral("too many levels of symbolic links"));
        path = QFileInfo(path).symLinkTarget();
    }
    const QFileInfo file(path);
    if (file.exists() && !file.isFile())
        return cannot(name, QStringLiteral("not a regular file"));
    if (file.exists() && read_only(file))
        return cannot(name, QStringLiteral("the file is read-only"));
    target = path;
    return {};
}

QString write_whole_file(QString const &name, QByteArray const &bytes)
{
    QString target;
    if (QString e = output_target(name, target); !e.isEmpty())
        return e;
    // Unbuffered: a write the disk takes only in part shows at once, and the
    // next one names the reason (buffered, Qt 6.4 let a short write pass).
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return cannot(name, file.errorString());
    for (qsizetype at = 0; at < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + at, bytes.size() - at);
        if (written <= 0)
            return cannot(name, file.errorString());
        at += written;
    }
    if (!file.commit())
        return cannot(name, file.errorString());
    return {};
}
