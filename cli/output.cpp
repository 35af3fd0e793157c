// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/output.h"

#include "video/avi_writer.h"
#include "video/mp4_writer.h"
#include "video/output_file.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>

namespace
{

// Wider fields only waste memory and disk: frame numbers have at most 10 digits.
constexpr int widest_field = 10;

} // namespace

Output::Output() = default;

Output::~Output() = default;

void Output::set_rate(unsigned rate, unsigned scale)
{
    rate_ = rate;
    scale_ = scale;
}

// The name as printf would take it: "%%" is a "%", and at most one field
// %d or %0Nd (N digits of width) stands for the frame number.
QString Output::read_name(QString const &name)
{
    const auto quoted = [&] { return QLatin1Char('"') + name + QLatin1Char('"'); };
    QString *part = &before_;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] != QLatin1Char('%')) {
            *part += name[i];
            continue;
        }
        if (name.mid(i + 1, 1) == QLatin1String("%")) {
            *part += QLatin1Char('%');
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        while (end < name.size() && name[end].isDigit())
            ++end;
        if (end == name.size() || name[end] != QLatin1Char('d'))
            return QStringLiteral("-o: in ") + quoted() +
                   QStringLiteral(" a % must begin %d, %0Nd or %%");
        if (numbered_)
            return QStringLiteral("-o: only one %d (or %0Nd) field is allowed in ") + quoted();
        bool ok = true;
        const QString digits = name.mid(i + 1, end - i - 1);
        width_ = digits.isEmpty() ? 0 : digits.toInt(&ok);
        if (!ok || width_ > widest_field)
            return QStringLiteral("-o: the %d field of ") + quoted() +
                   QStringLiteral(" is at most %1 wide").arg(widest_field);
        numbered_ = true;
        part = &after_;
        i = end;
    }
    return {};
}

QString Output::check(QString const &name, int frames)
{
    if (QString e = read_name(name); !e.isEmpty())
        return e;
    if (QFileInfo(name_of(0)).suffix().toLower() == QLatin1String("avi")) {
        if (numbered_)
            return QStringLiteral("-o: an AVI file takes no %d field");
        format_ = "avi";
        return {};
    }
    if (QFileInfo(name_of(0)).suffix().toLower() == QLatin1String("mp4")) {
        if (numbered_)
            return QStringLiteral("-o: an MP4 file takes no %d field");
        format_ = "mp4";
        return {};
    }
    if (!numbered_ && frames > 1)
        return QStringLiteral("-o: %1 frames need a numbered name such as frame_%04d.png")
            .arg(frames);
    format_ = QFileInfo(name_of(0)).suffix().toLower().toLatin1();
    if (!QImageWriter::supportedImageFormats().contains(format_))
        return QStringLiteral("-o: no image format for the suffix \"%1\"")
            .arg(QString::fromLatin1(format_));
    return {};
}

QString Output::name_of(int frame) const
{
    if (!numbered_)
        return before_;
    return before_ + QStringLiteral("%1").arg(frame, width_, 10, QLatin1Char('0')) + after_;
}

QString Output::probe(int frame) const
{
    PendingFile file;
    if (QString why = file.create(name_of(frame)); !why.isEmpty())
        return QStringLiteral("cannot write %1: %2").arg(name_of(frame), why);
    return {};
}

QString Output::write(QImage const &image, int frame)
{
    if (format_ == "avi")
        return add_to_video(image, frame);
    if (format_ == "mp4")
        return add_to_mp4(image, frame);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format_);
    if (!writer.write(image))
        return QStringLiteral("cannot encode frame %1 for %2: %3")
            .arg(QString::number(frame), name_of(frame), writer.errorString());
    return write_whole_file(name_of(frame), bytes);
}

QString Output::add_to_video(QImage const &image, int frame)
{
    if (!avi_) {
        avi_ = std::make_unique<AviWriter>(before_, image.size(), rate_, QStringLiteral("MJPG"));
        avi_->set_frame_rate(rate_, scale_);
        // Failures reach the user as one message with their reason, from here.
        avi_->set_quiet(true);
        if (!avi_->open()) {
            const QString why = avi_->errorString();
            avi_.reset();
            return QStringLiteral("cannot write %1: %2").arg(before_, why);
        }
    }
    if (!avi_->addFrame(image, "JPG", 100))
        return QStringLiteral("cannot write frame %1 to %2: %3; the unfinished file is removed")
            .arg(QString::number(frame), before_, avi_->errorString());
    return {};
}

QString Output::add_to_mp4(QImage const &image, int frame)
{
    if (!mp4_) {
        mp4_ = std::make_unique<Mp4Writer>(before_);
        mp4_frames_ = image.size();
        if (QString e = mp4_->open(image.size(), {rate_, scale_}, 100, 0); !e.isEmpty()) {
            mp4_.reset();
            return QStringLiteral("cannot write %1: %2").arg(before_, e);
        }
    }
    if (QString e = mp4_->add_frame(image); !e.isEmpty())
        return QStringLiteral("cannot write frame %1 to %2: %3; the unfinished file is removed")
            .arg(QString::number(frame), before_, e);
    return {};
}

int Output::frames_in_video() const
{
    return avi_ ? avi_->frame_count() : mp4_ ? mp4_->frames() : 0;
}

QString Output::note() const
{
    const QSize video = Mp4Writer::video_size(mp4_frames_);
    if (format_ != "mp4" || video == mp4_frames_)
        return {};
    const bool column = video.width() != mp4_frames_.width();
    const bool row = video.height() != mp4_frames_.height();
    return QStringLiteral("%1 is %2x%3: H.264 needs even sides, so the frames of %4x%5 were "
                          "padded with a copy of their last %6")
        .arg(before_, QString::number(video.width()), QString::number(video.height()),
             QString::number(mp4_frames_.width()), QString::number(mp4_frames_.height()),
             column && row ? QStringLiteral("column and row")
             : column      ? QStringLiteral("column")
                           : QStringLiteral("row"));
}

QString Output::finish()
{
    if (mp4_) {
        const QString e = mp4_->finish();
        mp4_.reset();
        return e.isEmpty() ? e : QStringLiteral("cannot write %1: %2").arg(before_, e);
    }
    if (!avi_)
        return {};
    const bool closed = avi_->close();
    const QString why = avi_->errorString();
    avi_.reset();
    return closed ? QString() : QStringLiteral("cannot finish %1: %2").arg(before_, why);
}
