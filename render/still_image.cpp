#include "render/still_image.h"

#include "render/overlay.h"
#include "render/raw_image.h"

#include <QImageWriter>

QImage frame_picture(MyImage &entry, QSize size, Metric const &metric, bool overlay)
{
    QImage picture = raw_to_image(entry, entry.width(), entry.height(), 0, 0);
    if (!size.isEmpty() && size != picture.size())
        picture = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return with_caption(picture, entry, metric, overlay);
}

QString save_frame(MyImage &entry, QString const &path, Metric const &metric, bool overlay)
{
    QImageWriter writer(path);
    writer.setQuality(100);
    if (writer.write(frame_picture(entry, QSize(), metric, overlay)))
        return {};
    return writer.errorString();
}
