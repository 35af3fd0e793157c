// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/status_messages.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace
{

QString tr(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

QString name_of(QString const &path)
{
    return QFileInfo(path).fileName();
}

// Where the frames went: the file, or the first and last of the numbered ones.
QString destination(ExportResult const &result, ExportOptions const &options)
{
    if (options.format != ExportFormat::image_sequence)
        return tr("to %1 (%2)").arg(name_of(options.path), file_size_text(options.path));
    const QString first = name_of(sequence_file_name(options.path, 0, result.written));
    if (result.written == 1)
        return tr("as %1").arg(first);
    return tr("as %1 … %2")
        .arg(first, name_of(sequence_file_name(options.path, result.written - 1, result.written)));
}

} // namespace

QString file_size_text(QString const &path)
{
    const qint64 bytes = QFileInfo(path).size();
    if (bytes >= 1000 * 1000)
        return tr("%1 MB").arg(double(bytes) / 1e6, 0, 'f', 1);
    if (bytes >= 1000)
        return tr("%1 kB").arg(double(bytes) / 1e3, 0, 'f', 0);
    return tr("%1 bytes").arg(bytes);
}

QString export_done_text(ExportResult const &result, ExportOptions const &options)
{
    if (result.cancelled)
        return tr("Stopped: saved %1 of %2 frames %3")
            .arg(result.written)
            .arg(result.total)
            .arg(destination(result, options));
    if (result.written == 1)
        return tr("Saved 1 frame %1").arg(destination(result, options));
    return tr("Saved %1 frames %2").arg(result.written).arg(destination(result, options));
}

QString image_saved_text(QString const &path)
{
    return tr("Saved frame to %1 (%2)").arg(name_of(path), file_size_text(path));
}

QString scene_saved_text(QString const &path)
{
    return tr("Saved scene %1").arg(name_of(path));
}

QString stopped_text(double share)
{
    return tr("Stopped at %1 %").arg(int(100 * share));
}
