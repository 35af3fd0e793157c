#include "render/whole_file.h"

#include <QSaveFile>

namespace
{

// A short write (the disk just filled up) is followed by another, which then
// fails with the system's reason. Through a buffer the short write would be
// lost in the final flush, and a truncated file would be committed.
bool write_all(QFileDevice &file, QByteArray const &bytes)
{
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
}

} // namespace

QString write_whole_file(QString const &path, QByteArray const &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    if (!write_all(file, bytes)) {
        const QString why = file.errorString();
        file.cancelWriting();
        return why;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}
