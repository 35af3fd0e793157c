#include "cli/output.h"

#include "video/avi_writer.h"
#include "video/mp4_writer.h"

#include <QFileInfo>
#include <QImageWriter>
#include <QRegularExpression>
#include <QSaveFile>

#include <cstdio>

namespace
{
// The AVI file grows under this name until it is finished.
QString growing(QString const &name)
{
    return name + QStringLiteral(".part");
}
} // namespace

Output::Output() = default;
Output::~Output()
{
    if (avi_) {
        avi_->close();
        QFile::remove(growing(before_));
    }
}

void Output::set_rate(unsigned rate, unsigned scale)
{
    rate_ = rate;
    scale_ = scale;
}

QString Output::check(QString const &name, int frames)
{
    static const QRegularExpression field(QStringLiteral("%(0?)(\\d*)d"));
    QString rest = name;
    rest.replace(QLatin1String("%%"), QString());
    int count = 0;
    for (auto it = field.globalMatch(rest); it.hasNext(); it.next())
        ++count;
    rest.remove(field);
    if (count > 1 || rest.contains(QLatin1Char('%')))
        return QStringLiteral("-o: only one %d (or %0Nd) field is allowed in \"%1\"").arg(name);
    numbered_ = count == 1;
    if (QFileInfo(name).suffix().toLower() == QLatin1String("avi")) {
        if (numbered_)
            return QStringLiteral("-o: an AVI file takes no %d field");
        before_ = name;
        format_ = "avi";
        return {};
    }
    if (QFileInfo(name).suffix().toLower() == QLatin1String("mp4")) {
        if (numbered_)
            return QStringLiteral("-o: an MP4 file takes no %d field");
        before_ = name;
        format_ = "mp4";
        return {};
    }
    if (!numbered_ && frames > 1)
        return QStringLiteral("-o: %1 frames need a numbered name such as frame_%04d.png")
            .arg(frames);
    if (numbered_) {
        const QRegularExpressionMatch m = field.match(name);
        before_ = name.left(m.capturedStart()).replace(QLatin1String("%%"), QLatin1String("%"));
        after_ = name.mid(m.capturedEnd()).replace(QLatin1String("%%"), QLatin1String("%"));
        width_ = m.captured(2).toInt();
    } else {
        before_ = name;
    }
    format_ = QFileInfo(name_of(0)).suffix().toLower().toLatin1();
    if (!QImageWriter::supportedImageFormats().contains(format_))
        return QStringLiteral("-o: no image format for the suffix \"%1\"")
            .arg(QString::fromLatin1(format_));
    return {};
}

QString Output::note() const
{
    const QSize video = Mp4Writer::video_size(mp4_frames_);
    if (format_ != "mp4" || video == mp4_frames_)
        return {};
    return QStringLiteral("%1 is %2x%3: H.264 needs even sides, so the frames of %4x%5 were "
                          "padded with a copy of their last %6")
        .arg(before_)
        .arg(video.width())
        .arg(video.height())
        .arg(mp4_frames_.width())
        .arg(mp4_frames_.height())
        .arg(video.width() != mp4_frames_.width() && video.height() != mp4_frames_.height()
                 ? QStringLiteral("column and row")
             : video.width() != mp4_frames_.width() ? QStringLiteral("column")
                                                    : QStringLiteral("row"));
}

QString Output::name_of(int frame) const
{
    if (!numbered_)
        return before_;
    return before_ + QStringLiteral("%1").arg(frame, width_, 10, QLatin1Char('0')) + after_;
}

QString Output::probe(int frame) const
{
    if (format_ == "avi") {
        QFile file(growing(before_));
        if (!file.open(QIODevice::WriteOnly))
            return QStringLiteral("cannot write %1: %2").arg(before_, file.errorString());
        file.remove();
        return {};
    }
    QSaveFile file(name_of(frame));
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString());
    file.cancelWriting();
    return {};
}

QString Output::write(QImage const &image, int frame)
{
    if (format_ == "mp4") {
        if (!mp4_) {
            mp4_ = std::make_unique<Mp4Writer>(before_);
            mp4_frames_ = image.size();
            if (QString e = mp4_->open(image.size(), {rate_, scale_}, 100, 0); !e.isEmpty()) {
                mp4_.reset();
                return QStringLiteral("cannot write %1: %2").arg(before_, e);
            }
        }
        if (QString e = mp4_->add_frame(image); !e.isEmpty())
            return QStringLiteral("cannot write frame %1 to %2: %3").arg(frame).arg(before_, e);
        return {};
    }
    if (format_ == "avi") {
        if (!avi_) {
            avi_ = std::make_unique<AviWriter>(growing(before_), image.size(), rate_,
                                               QStringLiteral("MJPG"));
            avi_->setFrameRate(rate_, scale_);
            if (!avi_->open()) {
                avi_.reset();
                return QStringLiteral("cannot write %1").arg(before_);
            }
        }
        if (!avi_->addFrame(image, "JPG", 100))
            return QStringLiteral("cannot write frame %1 to %2").arg(frame).arg(before_);
        return {};
    }
    QSaveFile file(name_of(frame));
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString());
    QImageWriter writer(&file, format_);
    if (!writer.write(image))
        return QStringLiteral("cannot write %1: %2").arg(file.fileName(), writer.errorString());
    if (!file.commit())
        return QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString());
    return {};
}

QString Output::finish()
{
    if (mp4_) {
        const QString e = mp4_->finish();
        mp4_.reset();
        return e.isEmpty() ? e : QStringLiteral("cannot finish %1: %2").arg(before_, e);
    }
    if (!avi_)
        return {};
    const bool closed = avi_->close();
    avi_.reset();
    const QString part = growing(before_);
    if (!closed || std::rename(QFile::encodeName(part).constData(),
                               QFile::encodeName(before_).constData()) != 0) {
        QFile::remove(part);
        return QStringLiteral("cannot finish %1").arg(before_);
    }
    return {};
}
