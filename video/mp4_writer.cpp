// SPDX-License-Identifier: GPL-3.0-or-later
#include "video/mp4_writer.h"

#include <QFile>

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace
{

QString av_reason(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

// Copies an odd-sided picture into the even size, the last column and row
// repeated.
QImage padded(QImage const &picture, QSize size)
{
    QImage out(size, QImage::Format_RGB32);
    const int w = picture.width(), h = picture.height();
    for (int y = 0; y < size.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(out.scanLine(y));
        std::memcpy(row, picture.constScanLine(std::min(y, h - 1)), std::size_t(w) * 4);
        if (size.width() > w)
            row[w] = row[w - 1];
    }
    return out;
}

} // namespace

struct Mp4Writer::Encoder {
    AVFormatContext *format = nullptr;
    AVCodecContext *codec = nullptr;
    AVStream *stream = nullptr;
    AVFrame *frame = nullptr;
    AVPacket *packet = nullptr;
    SwsContext *scaler = nullptr;

    ~Encoder()
    {
        sws_freeContext(scaler);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&codec);
        if (format) {
            avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }

    // Hands `picture` (or, when null, the end of the stream) to the encoder
    // and writes what it gives back. 0 or a negative error code.
    int encode(AVFrame const *picture)
    {
        int code = avcodec_send_frame(codec, picture);
        while (code >= 0) {
            code = avcodec_receive_packet(codec, packet);
            if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
                return 0;
            if (code < 0)
                return code;
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            code = av_interleaved_write_frame(format, packet);
        }
        return code;
    }

    // The encoder, the stream and the picture converter for `size`.
    int set_up(QSize size, FrameRate rate, int crf, int threads)
    {
        const AVCodec *h264 = avcodec_find_encoder_by_name("libx264");
        if (!h264)
            return AVERROR_ENCODER_NOT_FOUND;
        stream = avformat_new_stream(format, nullptr);
        codec = avcodec_alloc_context3(h264);
        frame = av_frame_alloc();
        packet = av_packet_alloc();
        if (!stream || !codec || !frame || !packet)
            return AVERROR(ENOMEM);
        codec->width = size.width();
        codec->height = size.height();
        codec->pix_fmt = AV_PIX_FMT_YUV420P;
        codec->time_base = AVRational{int(rate.scale), int(rate.rate)};
        codec->framerate = AVRational{int(rate.rate), int(rate.scale)};
        codec->color_range = AVCOL_RANGE_MPEG;
        codec->color_primaries = AVCOL_PRI_BT709;
        codec->color_trc = AVCOL_TRC_BT709;
        codec->colorspace = AVCOL_SPC_BT709;
        codec->thread_count = threads;
        if (format->oformat->flags & AVFMT_GLOBALHEADER)
            codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        av_opt_set_int(codec->priv_data, "crf", crf, 0);
        av_opt_set(codec->priv_data, "preset", "medium", 0);
        if (int code = avcodec_open2(codec, h264, nullptr); code < 0)
            return code;
        if (int code = avcodec_parameters_from_context(stream->codecpar, codec); code < 0)
            return code;
        stream->time_base = codec->time_base;
        stream->avg_frame_rate = codec->framerate;
        stream->r_frame_rate = codec->framerate;

        frame->format = codec->pix_fmt;
        frame->width = codec->width;
        frame->height = codec->height;
        if (int code = av_frame_get_buffer(frame, 0); code < 0)
            return code;
        return set_up_scaler(size);
    }

    // QImage's RGB32 is the machine's 32-bit ARGB word, which libswscale
    // calls RGB32 too. Full-range RGB in, limited-range BT.709 YUV out.
    int set_up_scaler(QSize size)
    {
        scaler = sws_getContext(size.width(), size.height(), AV_PIX_FMT_RGB32, size.width(),
                                size.height(), AV_PIX_FMT_YUV420P,
                                SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP, nullptr,
                                nullptr, nullptr);
        if (!scaler)
            return AVERROR(EINVAL);
        const int *bt709 = sws_getCoefficients(SWS_CS_ITU709);
        if (sws_setColorspaceDetails(scaler, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16) < 0)
            return AVERROR(ENOSYS);
        return 0;
    }

    int start_file(QByteArray const &name)
    {
        if (int code = avio_open(&format->pb, name.constData(), AVIO_FLAG_WRITE); code < 0)
            return code;
        AVDictionary *options = nullptr;
        av_dict_set(&options, "movflags", "+faststart+write_colr", 0);
        const int code = avformat_write_header(format, &options);
        av_dict_free(&options);
        return code < 0 ? code : 0;
    }

    int add(QImage const &picture, std::int64_t index)
    {
        if (int code = av_frame_make_writable(frame); code < 0)
            return code;
        const uint8_t *source[1] = {picture.constBits()};
        const int stride[1] = {int(picture.bytesPerLine())};
        sws_scale(scaler, source, stride, 0, picture.height(), frame->data, frame->linesize);
        frame->pts = index;
        return encode(frame);
    }

    int end()
    {
        if (int code = encode(nullptr); code < 0)
            return code;
        if (int code = av_write_trailer(format); code < 0)
            return code;
        return avio_closep(&format->pb);
    }
};

Mp4Writer::Mp4Writer(QString path) : path_(std::move(path)) {}

// The encoder closes its handle on the file before the file goes.
Mp4Writer::~Mp4Writer()
{
    encoder_.reset();
}

QSize Mp4Writer::video_size(QSize size)
{
    return QSize(size.width() + size.width() % 2, size.height() + size.height() % 2);
}

int Mp4Writer::constant_rate_factor(int quality)
{
    return 16 + (100 - std::clamp(quality, 0, 100)) * 35 / 100;
}

QString Mp4Writer::abandon(QString const &reason)
{
    encoder_.reset();
    file_.discard();
    return reason;
}

QString Mp4Writer::open(QSize size, FrameRate rate, int quality, int threads)
{
    if (size.isEmpty() || !rate.valid())
        return QStringLiteral("no frame size or frame rate");
    if (QString e = file_.create(path_); !e.isEmpty())
        return e;

    // The libraries' own log would repeat on standard error what the
    // returned errors already tell.
    av_log_set_level(AV_LOG_QUIET);
    size_ = size;
    encoder_ = std::make_unique<Encoder>();
    const QByteArray name = QFile::encodeName(file_.temporary());
    if (int code =
            avformat_alloc_output_context2(&encoder_->format, nullptr, "mp4", name.constData());
        code < 0)
        return abandon(QStringLiteral("no MP4 writer: ") + av_reason(code));
    if (int code = encoder_->set_up(video_size(size), rate, constant_rate_factor(quality),
                                    std::max(threads, 0));
        code < 0)
        return abandon(QStringLiteral("no H.264 encoder: ") + av_reason(code));
    if (int code = encoder_->start_file(name); code < 0)
        return abandon(av_reason(code));
    return {};
}

QString Mp4Writer::add_frame(QImage const &picture)
{
    if (!encoder_)
        return QStringLiteral("the file is not open");
    if (picture.size() != size_)
        return QStringLiteral("a frame of %1×%2 among frames of %3×%4")
            .arg(picture.width())
            .arg(picture.height())
            .arg(size_.width())
            .arg(size_.height());
    QImage rgb =
        picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
            ? picture
            : picture.convertToFormat(QImage::Format_RGB32);
    if (video_size(size_) != size_)
        rgb = padded(rgb, video_size(size_));
    if (int code = encoder_->add(rgb, frames_); code < 0)
        return abandon(av_reason(code));
    ++frames_;
    return {};
}

QString Mp4Writer::finish()
{
    if (!encoder_)
        return QStringLiteral("the file is not open");
    if (int code = encoder_->end(); code < 0)
        return abandon(av_reason(code));
    encoder_.reset();
    return file_.commit();
}
