// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/metric.h"
#include "render/still_image.h"
#include "tests/support/avi_file.h"
#include "tests/support/ffprobe.h"
#include "tests/support/output_hazards.h"
#include "tests/support/picture_difference.h"
#include "video/avi_writer.h"
#include "video/frame_export.h"
#include "video/mp4_writer.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace
{

// Eight colour bars (white, yellow, cyan, green, magenta, red, blue, black):
// a wrong YUV matrix or range shifts saturated colours and the ends of the
// scale far more than any encoding loss does.
QRgb const bars[8] = {0xffffffff, 0xffffff00, 0xff00ffff, 0xff00ff00,
                      0xffff00ff, 0xffff0000, 0xff0000ff, 0xff000000};

class VideoExport : public ::testing::Test
{
  protected:
    void fill_store(int w, int h)
    {
        for (std::size_t i = 0; i < store.size(); ++i)
            fill(store[i], w, h, unsigned(i));
    }
    QString at(const char *name) const { return dir.filePath(name); }
    ExportResult export_as(ExportFormat format, const char *name, const char *rate = "10",
                           std::function<bool(int, int)> progress = {})
    {
        ExportOptions o;
        o.format = format;
        o.path = at(name);
        o.frames = frames;
        o.rate = frame_rate_of(rate);
        o.progress = std::move(progress);
        return export_frames(store, metric, o);
    }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files); }

    QTemporaryDir dir;
    Metric metric;
    std::vector<MyImage> store = std::vector<MyImage>(10);
    int frames = 10; // of the store, exported
};

TEST(FrameRate, DecimalTextsBecomeFractionsInLowestTerms)
{
    struct {
        const char *text;
        unsigned rate, scale;
    } const cases[] = {{"10", 10, 1}, {"12.5", 25, 2},   {" 29.97", 2997, 100},
                       {"0.5", 1, 2}, {"120.0", 120, 1}, {"", 0, 1},
                       {"0", 0, 1},   {"abc", 0, 1},     {"-5", 0, 1},
                       {"1e3", 0, 1}, {"12.5.1", 0, 1},  {"99999999999", 0, 1}};
    for (auto const &c : cases) {
        const FrameRate r = frame_rate_of(c.text);
        EXPECT_EQ(r.valid() ? r.rate : 0, c.rate) << c.text;
        EXPECT_EQ(r.valid() ? r.scale : 1, c.scale) << c.text;
    }
    EXPECT_EQ(sequence_file_name("/a/clip.jpg", 7, 10), "/a/clip07.jpg") << "sorts beyond 10";
    EXPECT_EQ(sequence_file_name("/a/clip.jpg", 7, 9), "/a/clip7.jpg");
    EXPECT_EQ(sequence_file_name("ab", 0, 1200), "ab0000.jpg");
}

// Real readers: one video stream of every frame at the rate asked for, each
// decoded without error, the first close to the stored frame. MP4 is H.264
// in 4:2:0, BT.709 in limited range in the stream and the container, its
// index first, and colour bars come back within a few levels.
TEST_F(VideoExport, PlayersReadEveryFrameAtTheRateAskedFor)
{
    if (QStandardPaths::findExecutable("ffprobe").isEmpty())
        GTEST_SKIP() << "ffprobe is not installed";
    fill_store(160, 120);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x)
            store[1].set_pixel(x, y, bars[x * 8 / 160]);
    const QString common = "width=160\nheight=120\nnb_read_frames=10\n";
    const struct {
        ExportFormat format;
        const char *name, *rate;
        QString streams;
    } cases[] = {
        {ExportFormat::avi, "v.avi", "10", "codec_name=mjpeg\nr_frame_rate=10/1\n" + common},
        {ExportFormat::avi, "v.avi", "12.5", "codec_name=mjpeg\nr_frame_rate=25/2\n" + common},
        {ExportFormat::mp4, "v.mp4", "25",
         "codec_name=h264\npix_fmt=yuv420p\nr_frame_rate=25/1\ncolor_range=tv\n"
         "color_space=bt709\ncolor_transfer=bt709\ncolor_primaries=bt709\n" +
             common},
        {ExportFormat::mp4, "v.mp4", "12.5", "codec_name=h264\nr_frame_rate=25/2\n" + common},
    };
    for (auto const &c : cases) {
        SCOPED_TRACE(std::string(c.name) + " at " + c.rate);
        const ExportResult r = export_as(c.format, c.name, c.rate);
        EXPECT_EQ(r.written, 10);
        EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
        const QString streams = probe_streams(at(c.name), "stream");
        for (QString const &line : c.streams.split('\n', Qt::SkipEmptyParts))
            EXPECT_TRUE(streams.contains('\n' + line + '\n')) << line.toStdString();
        EXPECT_EQ(streams.count("codec_type="), 1);

        QFile::remove(at("f10.png"));
        const auto [log, decoded] =
            run_program("ffmpeg", {"-v", "error", "-y", "-i", at(c.name), at("f%d.png")});
        EXPECT_TRUE(decoded && log.isEmpty()) << log.toStdString();
        EXPECT_TRUE(QFile::exists(at("f10.png")));
        EXPECT_LT(difference(QImage(at("f1.png")), frame_picture(store[0], {}, metric, false)), 3);
        const QImage decoded_bars(at("f2.png"));
        for (int i = 0; i < 8; ++i) {
            const QRgb want = bars[i], got = decoded_bars.pixel(i * 20 + 10, 60);
            for (int d :
                 {qRed(want) - qRed(got), qGreen(want) - qGreen(got), qBlue(want) - qBlue(got)})
                EXPECT_LE(std::abs(d), 4) << "bar " << i << " decoded as " << std::hex << got;
        }
    }
    QFile mp4(at("v.mp4"));
    ASSERT_TRUE(mp4.open(QIODevice::ReadOnly));
    const QByteArray bytes = mp4.readAll();
    EXPECT_LT(bytes.indexOf("moov"), bytes.indexOf("mdat")) << "the index first";
}

// A PCM WAV becomes a second, audio stream.
TEST_F(VideoExport, WavFileBecomesAnAudioStream)
{
    if (QStandardPaths::findExecutable("ffprobe").isEmpty())
        GTEST_SKIP() << "ffprobe is not installed";
    // A canonical 44-byte header and a quarter second of 16-bit stereo silence.
    QFile wav(at("s.wav"));
    ASSERT_TRUE(wav.open(QIODevice::WriteOnly));
    wav.write(QByteArray("RIFF\x64\x1f\0\0WAVEfmt \x10\0\0\0\x01\0\x02\0\x40\x1f\0\0\0\x7d\0\0"
                         "\x04\0\x10\0data\x40\x1f\0\0",
                         44) +
              QByteArray(8000, '\0'));
    wav.close();

    fill_store(16, 12);
    AviWriter writer(at("a.avi"), QSize(16, 12), 10, "MJPG");
    writer.setAudioFileName(at("s.wav"));
    ASSERT_TRUE(writer.open());
    EXPECT_EQ(writer.audioChannelCount(), 2);
    EXPECT_EQ(writer.audioSampleRate(), 8000);
    for (MyImage &frame : store)
        ASSERT_TRUE(writer.addFrame(frame_picture(frame, QSize(), metric, false), "JPG", 100));
    ASSERT_TRUE(writer.close());
    const QString streams = probe_streams(at("a.avi"), "stream=codec_type,sample_rate");
    EXPECT_TRUE(streams.contains("codec_type=audio\nsample_rate=8000")) << streams.toStdString();
}

// A stop finishes a video file holding the frames written before, without a
// message, and a player reads it.
TEST_F(VideoExport, StoppedVideosHoldTheFramesWrittenBefore)
{
    fill_store(64, 48);
    const auto three = [](int written, int) { return written < 3; };
    for (auto [format, name] :
         {std::pair{ExportFormat::avi, "stopped.avi"}, {ExportFormat::mp4, "stopped.mp4"}}) {
        const ExportResult stopped = export_as(format, name, "10", three);
        EXPECT_TRUE(stopped.cancelled) << name;
        EXPECT_TRUE(stopped.error.isEmpty()) << stopped.error.toStdString();
        EXPECT_EQ(stopped.written, 3) << name;
    }
    for (const char *name : {"stopped.avi", "stopped.mp4"})
        EXPECT_EQ(probe_streams(at(name), "stream=nb_read_frames"), "nb_read_frames=3\n");
    EXPECT_EQ(files(), (QStringList{"stopped.avi", "stopped.mp4"}));
}

// Entries never rendered are left out; one left from a run at another size
// is scaled to the size of the first; odd MP4 sides grow by one.
TEST_F(VideoExport, UnrenderedEntriesAreSkippedAndSizesFollowTheFirst)
{
    frames = 3;
    fill(store[0], 16, 12, 0);
    store[1].dim(1, 1);
    fill(store[2], 40, 30, 2);
    ASSERT_TRUE(export_as(ExportFormat::image_sequence, "s.jpg").error.isEmpty());
    EXPECT_EQ(files(), (QStringList{"s0.jpg", "s2.jpg"})) << "three frames: one digit";
    EXPECT_LT(difference(QImage(at("s2.jpg")), frame_picture(store[2], {16, 12}, metric, false)),
              3);
    ASSERT_TRUE(export_as(ExportFormat::avi, "s.avi").error.isEmpty());
    EXPECT_EQ(AviFile(at("s.avi")).frames(), 2u);
    EXPECT_EQ(AviFile(at("s.avi")).size(), QSize(16, 12));

    EXPECT_EQ(Mp4Writer::video_size(QSize(161, 121)), QSize(162, 122));
    EXPECT_EQ(Mp4Writer::video_size(QSize(2, 1)), QSize(2, 2));
    fill(store[0], 161, 121, 0);
    const ExportResult odd = export_as(ExportFormat::mp4, "odd.mp4");
    EXPECT_EQ(odd.written, 2) << odd.error.toStdString();
    EXPECT_EQ(probe_streams(at("odd.mp4"), "stream=width,height"), "width=162\nheight=122\n");

    Mp4Writer writer(at("sizes.mp4"));
    ASSERT_EQ(writer.open(QSize(16, 12), {25, 1}, 100, 1), QString());
    EXPECT_FALSE(writer.add_frame(QImage(32, 24, QImage::Format_RGB32)).isEmpty());
}

} // namespace
