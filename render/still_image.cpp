#include "render/still_image.h"

#include "render/overlay.h"
#include "render/raw_image.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

QImage frame_picture(MyImage &entry, QSize size, Scene const &scene, bool overlay)
{
    QImage picture = raw_to_image(entry, entry.width(), entry.height(), 0, 0);
    if (!size.isEmpty() && size != picture.size())
        picture = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return with_caption(picture, entry, scene, overlay);
}

// The picture goes to a temporary file beside the target, which replaces the
// target only once it is complete: a full disk leaves an older file whole.
QString save_frame(MyImage &entry, QString const &path, Scene const &scene, bool overlay)
{
    const QByteArray format = QFileInfo(path).suffix().toLower().toLatin1();
    if (!QImageWriter::supportedImageFormats().contains(format))
        return QCoreApplication::translate("MainWindow", "no image format for the suffix \"%1\"")
            .arg(QFileInfo(path).suffix());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    QImageWriter writer(&file, format);
    writer.setQuality(100);
    if (!writer.write(frame_picture(entry, QSize(), scene, overlay))) {
        const QString why =
            file.error() != QFileDevice::NoError ? file.errorString() : writer.errorString();
        file.cancelWriting();
        return why;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}
