// SPDX-License-Identifier: GPL-3.0-or-later
#include "video/avi_writer.h"

#include <QBuffer>
#include <QFile>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace
{

bool listed(const QString &codec)
{
    return check_fourcc(codec.toLatin1().constData()) == 0;
}

template <class T> bool read_le(std::istream &in, T &value)
{
    unsigned char b[sizeof(T)];
    if (!in.read(reinterpret_cast<char *>(b), sizeof(T)))
        return false;
    value = 0;
    for (std::size_t i = sizeof(T); i-- > 0;)
        value = static_cast<T>(value << 8 | b[i]);
    return true;
}

QByteArray encoded(QImage const &picture, const char *format, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, format, quality))
        return {};
    return bytes;
}

} // namespace

AviWriter::AviWriter(const QString &fileName, const QSize &size, unsigned int fps,
                     const QString &codec)
    : file_name_(fileName), size_(size), fps_(fps)
{
    if (!codec.isEmpty() && listed(codec))
        codec_ = codec;
}

AviWriter::~AviWriter()
{
    abandon();
}

void AviWriter::setAudioFileName(const QString &fileName)
{
    audio_file_name_ = fileName;
}

bool AviWriter::setSize(const QSize &size)
{
    if (size == size_)
        return false;
    if (avi_set_size(handle_, size.width(), size.height()) != 0)
        return false;
    size_ = size;
    return true;
}

bool AviWriter::setCodec(const QString &codec)
{
    if (codec == codec_ || !listed(codec))
        return false;
    codec_ = codec;
    return true;
}

bool AviWriter::set_frame_rate(unsigned int rate, unsigned int scale)
{
    if (rate == 0 || scale == 0)
        return false;
    fps_ = rate;
    scale_ = scale;
    return true;
}

bool AviWriter::isCodecSupported(const QString &codec)
{
    return listed(codec);
}

QList<QByteArray> AviWriter::supportedVideoFormats()
{
    return {QByteArray("AVI")};
}

QList<QByteArray> AviWriter::supportedAudioFormats()
{
    return {QByteArray("WAV")};
}

bool AviWriter::open()
{
    abandon();
    if (QString why = file_.create(file_name_); !why.isEmpty()) {
        error_ = why;
        return false;
    }
    const bool audio = !audio_file_name_.isEmpty() && parseAudioFileFormat();
    handle_ = avi_open_ratio(QFile::encodeName(file_.temporary()).constData(), size_.width(),
                             size_.height(), codec_.toLatin1().constData(), fps_, scale_,
                             audio ? &audio_ : nullptr, quiet_);
    if (!handle_) {
        note_system_error();
        file_.discard();
    }
    return handle_ != nullptr;
}

bool AviWriter::addFrame(unsigned char *data, size_t length)
{
    if (!handle_)
        return false;
    if (avi_add_frame(handle_, data, length) != 0) {
        note_system_error();
        return false;
    }
    ++frames_;
    return true;
}

bool AviWriter::addFrame(QImage picture, const char *format, int quality)
{
    if (!handle_)
        return false;
    QByteArray bytes = encoded(picture, format, quality);
    if (bytes.isEmpty()) {
        error_ =
            QStringLiteral("the frame cannot be encoded as %1").arg(QString::fromLatin1(format));
        return false;
    }
    return addFrame(reinterpret_cast<unsigned char *>(bytes.data()), size_t(bytes.size()));
}

bool AviWriter::addFrame(QPixmap picture, const char *format, int quality)
{
    return addFrame(picture.toImage(), format, quality);
}

bool AviWriter::addAudioFile(const QString &fileName)
{
    if (!handle_ || fileName.isEmpty())
        return false;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    return avi_add_audio(handle_, reinterpret_cast<const unsigned char *>(bytes.constData()),
                         size_t(bytes.size())) == 0;
}

bool AviWriter::close()
{
    if (!handle_)
        return false;
    if (!audio_file_name_.isEmpty())
        addAudioFile(audio_file_name_);
    const bool closed = avi_close(handle_) == 0;
    handle_ = nullptr;
    if (!closed) {
        note_system_error();
        file_.discard();
        return false;
    }
    if (QString why = file_.commit(); !why.isEmpty()) {
        error_ = why;
        return false;
    }
    return true;
}

void AviWriter::abandon()
{
    if (handle_)
        avi_close(handle_);
    handle_ = nullptr;
    file_.discard();
}

// The writer's functions leave the system's reason in errno.
void AviWriter::note_system_error()
{
    error_ = QString::fromLocal8Bit(std::strerror(errno));
}

int AviWriter::audioChannelCount()
{
    return audio_file_name_.isEmpty() ? 0 : int(audio_.channels);
}

int AviWriter::audioSampleRate()
{
    return audio_file_name_.isEmpty() ? 0 : int(audio_.samples_per_second);
}

int AviWriter::audioBitsPerSample()
{
    return audio_file_name_.isEmpty() ? 0 : int(audio_.bits);
}

bool AviWriter::parseAudioFileFormat()
{
    std::ifstream in(audio_file_name_.toUtf8().constData(), std::ios::binary);
    if (!in) {
        std::printf("Error opening the input audio file!\n");
        return false;
    }
    std::uint16_t format = 0;
    in.seekg(20);
    if (!read_le(in, format) || format != 1) {
        std::printf("The input audio file is not a PCM type file!\n");
        return false;
    }
    std::uint16_t channels = 0, block_align = 0, bits = 0;
    std::uint32_t rate = 0, byte_rate = 0;
    if (!read_le(in, channels) || !read_le(in, rate) || !read_le(in, byte_rate) ||
        !read_le(in, block_align) || !read_le(in, bits)) {
        std::printf("The input audio file is not a PCM type file!\n");
        return false;
    }
    audio_ = {channels, bits, rate};
    audio_byte_rate_ = byte_rate;
    return true;
}
