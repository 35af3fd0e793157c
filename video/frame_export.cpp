// SPDX-License-Identifier: GPL-3.0-or-later
#include "video/frame_export.h"

#include "render/still_image.h"
#include "video/avi_writer.h"
#include "video/mp4_writer.h"
#include "video/ordered_pipeline.h"
#include "video/output_file.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QThread>

#include <vector>

namespace
{

QString tr(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

std::vector<int> rendered_entries(std::span<MyImage> store, int frames)
{
    std::vector<int> entries;
    const int n = frames < int(store.size()) ? frames : int(store.size());
    for (int i = 0; i < n; ++i)
        if (store[std::size_t(i)].width() >= 2)
            entries.push_back(i);
    return entries;
}

QByteArray jpeg_of(QImage const &picture, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "JPG", quality))
        return {};
    return bytes;
}

// What is common to both formats: which frames, at what size, encoded in
// parallel and handed out in order, with progress and cancelling.
struct Job {
    std::span<MyImage> store;
    Metric const &metric;
    ExportOptions const &options;
    std::vector<int> entries;
    QSize size;
    ExportResult result;

    Job(std::span<MyImage> s, Metric const &m, ExportOptions const &o)
        : store(s), metric(m), options(o), entries(rendered_entries(s, o.frames))
    {
        result.total = int(entries.size());
        size = !o.size.isEmpty() || entries.empty()
                   ? o.size
                   : QSize(s[std::size_t(entries.front())].width(),
                           s[std::size_t(entries.front())].height());
    }

    // `write` stores the JPEG of entry i; false after setting result.error.
    template <class Write> void run(Write write)
    {
        run(write, [this](QImage const &picture) { return jpeg_of(picture, options.quality); });
    }

    // The same with the pictures turned into bytes by `encode` on the workers.
    template <class Write, class Encode> void run(Write write, Encode encode)
    {
        const int threads = options.threads > 0 ? options.threads : QThread::idealThreadCount();
        const auto make = [this, &encode](int k) {
            MyImage &entry = store[std::size_t(entries[std::size_t(k)])];
            return encode(frame_picture(entry, size, metric, options.overlay));
        };
        const auto consume = [&](int k, QByteArray const &jpeg) {
            if (jpeg.isEmpty()) {
                result.error =
                    tr("Frame %1 could not be encoded as JPEG.").arg(entries[std::size_t(k)]);
                return false;
            }
            if (!write(entries[std::size_t(k)], jpeg))
                return false;
            ++result.written;
            return true;
        };
        const auto keep_going = [this] {
            if (!options.progress || options.progress(result.written, result.total))
                return true;
            result.cancelled = result.written < result.total;
            return !result.cancelled;
        };
        run_in_order(result.total, threads, make, consume, keep_going);
    }
};

void export_avi(Job &job)
{
    ExportOptions const &o = job.options;
    AviWriter writer(o.path, job.size, o.rate.rate, QStringLiteral("MJPG"));
    writer.set_frame_rate(o.rate.rate, o.rate.scale);
    writer.set_quiet(true);
    if (!writer.open()) {
        job.result.error = tr("Could not create %1: %2.").arg(o.path, writer.errorString());
        return;
    }
    job.run([&](int, QByteArray const &jpeg) {
        if (writer.addFrame(reinterpret_cast<unsigned char *>(const_cast<char *>(jpeg.constData())),
                            size_t(jpeg.size())))
            return true;
        job.result.error =
            tr("Writing %1 stopped (%2); nothing was saved.").arg(o.path, writer.errorString());
        return false;
    });
    // Stopped before its first frame, it would only replace an older file.
    if (!job.result.error.isEmpty() || job.result.written == 0) {
        writer.abandon();
        job.result.written = 0;
    } else if (!writer.close()) {
        job.result.written = 0;
        job.result.error =
            tr("Could not finish %1 (%2); nothing was saved.").arg(o.path, writer.errorString());
    }
}

// A picture's pixels as they lie in memory, made on a worker for the
// encoder on the calling thread.
QByteArray pixels_of(QImage const &picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    return QByteArray(reinterpret_cast<const char *>(rgb.constBits()), rgb.sizeInBytes());
}

void export_mp4(Job &job)
{
    ExportOptions const &o = job.options;
    Mp4Writer writer(o.path);
    if (QString e = writer.open(job.size, o.rate, o.quality, o.threads); !e.isEmpty()) {
        job.result.error = tr("Could not create %1: %2.").arg(o.path, e);
        return;
    }
    const auto add = [&](int, QByteArray const &pixels) {
        const QImage picture(reinterpret_cast<const uchar *>(pixels.constData()), job.size.width(),
                             job.size.height(), QImage::Format_RGB32);
        const QString e = writer.add_frame(picture);
        if (!e.isEmpty())
            job.result.error = tr("Writing %1 stopped (%2); nothing was saved.").arg(o.path, e);
        return e.isEmpty();
    };
    job.run(add, pixels_of);
    if (!job.result.error.isEmpty() || writer.frames() == 0) {
        job.result.written = 0;
        return;
    }
    if (QString e = writer.finish(); !e.isEmpty()) {
        job.result.written = 0;
        job.result.error = tr("Could not finish %1 (%2); nothing was saved.").arg(o.path, e);
    }
}

void export_sequence(Job &job)
{
    job.run([&](int entry, QByteArray const &jpeg) {
        const QString name = sequence_file_name(job.options.path, entry, job.options.frames);
        const QString e = write_whole_file(name, jpeg);
        if (e.isEmpty())
            return true;
        job.result.error = tr("%1; %2 of %3 frames were written.")
                               .arg(e)
                               .arg(job.result.written)
                               .arg(job.result.total);
        return false;
    });
}

} // namespace

QString sequence_file_name(QString const &name, int i, int count)
{
    const QString stem = name.size() < 4 ? name : name.chopped(4);
    const int width = int(QString::number(count).size());
    return stem + QStringLiteral("%1").arg(i, width, 10, QLatin1Char('0')) + QStringLiteral(".jpg");
}

ExportResult export_frames(std::span<MyImage> store, Metric const &metric,
                           ExportOptions const &options)
{
    Job job(store, metric, options);
    if (options.path.isEmpty())
        job.result.error = tr("No file name was given.");
    else if (job.entries.empty())
        job.result.error =
            tr("There is no rendered frame among the first %1 to save.").arg(options.frames);
    else if (options.format != ExportFormat::image_sequence && !options.rate.valid())
        job.result.error = tr("The frame rate must be above 0.");
    else if (options.format == ExportFormat::avi)
        export_avi(job);
    else if (options.format == ExportFormat::mp4)
        export_mp4(job);
    else
        export_sequence(job);
    return job.result;
}
