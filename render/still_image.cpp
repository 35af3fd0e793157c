// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/still_image.h"

#include "render/overlay.h"
#include "render/raw_image.h"
#include "video/output_file.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImageWriter>

QImage frame_picture(MyImage &entry, QSize size, Metric const &metric, bool overlay)
{
    QImage picture = raw_to_image(entry, entry.width(), entry.height(), 0, 0);
    if (!size.isEmpty() && size != picture.size())
        picture = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return with_caption(picture, entry, metric, overlay);
}

// Encoded in memory first, so that only a complete picture reaches the disk.
QString save_frame(MyImage &entry, QString const &path, Metric const &metric, bool overlay)
{
    const QByteArray format = QFileInfo(path).suffix().toLower().toLatin1();
    if (!QImageWriter::supportedImageFormats().contains(format))
        return QCoreApplication::translate("MainWindow",
                                           "cannot write %1: no image format for the suffix \"%2\"")
            .arg(path, QFileInfo(path).suffix());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(100);
    if (!writer.write(frame_picture(entry, QSize(), metric, overlay)))
        return writer.errorString();
    return write_whole_file(path, bytes);
}
