#include "expr/metric.h"
#include "render/still_image.h"
#include "tests/support/avi_file.h"
#include "tests/support/ffprobe.h"
#include "tests/support/picture_difference.h"
#include "video/avi_writer.h"
#include "video/frame_export.h"
#include "video/mp4_writer.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace
{

// Frames whose every pixel differs, so that JPEG has something to keep.
void fill_store(std::vector<MyImage> &store, int w, int h)
{
    for (std::size_t i = 0; i < store.size(); ++i) {
        store[i].dim(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                store[i].set_done(x, y);
                store[i].set_pixel(x, y,
                                   0xff000000u | unsigned(x * 255 / w) << 16 |
                                       unsigned(y * 255 / h) << 8 | unsigned(i * 20 + x * y % 7));
            }
    }
}

QString shell_quoted(QString const &word)
{
    QString quoted = word;
    return '\'' + quoted.replace("'", "'\\''") + '\'';
}

// Output, and whether the program ran and ended well. Not through QProcess:
// it starts programs the vfork way, and the child, borrowing this process's
// memory, runs the thread sanitizer's hooks on the parent's state and leaves
// it damaged. The next export was then reported as racing with itself,
// although every access in it is under one lock. popen's child runs no hooks.
std::pair<QString, bool> run(QString const &program, QStringList const &arguments)
{
    QString command = shell_quoted(program);
    for (QString const &a : arguments)
        command += ' ' + shell_quoted(a);
    std::FILE *pipe = popen(QFile::encodeName(command + " 2>&1").constData(), "r");
    if (!pipe)
        return {QString(), false};
    QByteArray output;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, qsizetype(n));
    const int status = pclose(pipe);
    return {QString::fromUtf8(output), WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

// Frame 0 as eight colour bars (white, yellow, cyan, green, magenta, red,
// blue, black): a wrong YUV matrix or range shifts saturated colours and
// the ends of the scale far more than any encoding loss does.
QRgb const bars[8] = {0xffffffff, 0xffffff00, 0xff00ffff, 0xff00ff00,
                      0xffff00ff, 0xffff0000, 0xff0000ff, 0xff000000};
void paint_bars(MyImage &frame)
{
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            frame.set_pixel(x, y, bars[x * 8 / frame.width()]);
}

// Peak signal-to-noise ratio of b against a, in dB; 0 for different sizes.
double psnr(QImage a, QImage b)
{
    a = a.convertToFormat(QImage::Format_RGB32);
    b = b.convertToFormat(QImage::Format_RGB32);
    if (a.size() != b.size())
        return 0;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)})
                sum += double(d) * d;
        }
    return 10 * std::log10(255.0 * 255.0 * 3 * a.width() * a.height() / sum);
}

// What `run` returns while files may grow to `bytes` at most, as on a disk
// that fills up (SIGXFSZ ignored, since a full disk raises none).
template <class Run> ExportResult on_a_full_disk(rlim_t bytes, Run run)
{
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = before;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
    const ExportResult result = run();
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, old_handler);
    return result;
}

class VideoExport : public ::testing::Test
{
  protected:
    QString at(const char *name) const { return dir.filePath(name); }
    ExportResult export_avi(const char *name, const char *rate)
    {
        ExportOptions o;
        o.path = at(name);
        o.frames = int(store.size());
        o.rate = frame_rate_of(rate);
        return export_frames(store, metric, o);
    }
    ExportResult export_mp4(const char *name, const char *rate,
                            std::function<bool(int, int)> progress = {})
    {
        ExportOptions o;
        o.format = ExportFormat::mp4;
        o.path = at(name);
        o.frames = int(store.size());
        o.rate = frame_rate_of(rate);
        o.progress = std::move(progress);
        return export_frames(store, metric, o);
    }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files); }

    QTemporaryDir dir;
    Metric metric;
    std::vector<MyImage> store = std::vector<MyImage>(10);
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

// Real readers: one MJPG stream of every frame at the rate asked for, each
// decoded without error, the first equal to the stored frame within JPEG
// tolerance; a PCM WAV becomes a second, audio stream.
TEST_F(VideoExport, PlayersReadTheFramesAtTheRateAskedFor)
{
    if (QStandardPaths::findExecutable("ffprobe").isEmpty())
        GTEST_SKIP() << "ffprobe is not installed";
    fill_store(store, 160, 120);
    for (auto [rate, expected] : {std::pair{"10", "10/1"}, {"12.5", "25/2"}}) {
        const ExportResult r = export_avi("v.avi", rate);
        EXPECT_EQ(r.written, 10);
        EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
        const QString streams =
            probe_streams(at("v.avi"), "stream=codec_type,codec_name,width,height,r_frame_rate,"
                                       "nb_read_frames");
        for (QString line : {"codec_type=video", "codec_name=mjpeg", "width=160", "height=120",
                             "nb_read_frames=10"})
            EXPECT_TRUE(streams.contains(line)) << streams.toStdString();
        EXPECT_TRUE(streams.contains(QString("r_frame_rate=") + expected)) << streams.toStdString();
        EXPECT_EQ(streams.count("codec_type="), 1);
    }

    const auto [log, decoded] = run("ffmpeg", {"-v", "error", "-i", at("v.avi"), at("f%d.png")});
    EXPECT_TRUE(decoded && log.isEmpty()) << log.toStdString();
    EXPECT_TRUE(QFile::exists(at("f10.png")));
    EXPECT_LT(difference(QImage(at("f1.png")), frame_picture(store[0], QSize(), metric, false)), 3);

    // A canonical 44-byte header and a quarter second of 16-bit stereo silence.
    QByteArray wav(
        "RIFF\0\0\0\0WAVEfmt \x10\0\0\0\x01\0\x02\0\x40\x1f\0\0\0\x7d\0\0\x04\0\x10\0data", 40);
    const QByteArray samples(8000, '\0');
    const auto le32 = [](quint32 v) {
        const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
        return QByteArray(b, 4);
    };
    wav += le32(quint32(samples.size())) + samples;
    wav.replace(4, 4, le32(quint32(wav.size() - 8)));
    QFile wav_file(at("s.wav"));
    ASSERT_TRUE(wav_file.open(QIODevice::WriteOnly) && wav_file.write(wav) == wav.size());
    wav_file.close();

    AviWriter writer(at("a.avi"), QSize(160, 120), 10, "MJPG");
    writer.setAudioFileName(at("s.wav"));
    ASSERT_TRUE(writer.open());
    EXPECT_EQ(writer.audioChannelCount(), 2);
    EXPECT_EQ(writer.audioSampleRate(), 8000);
    for (MyImage &frame : store)
        ASSERT_TRUE(writer.addFrame(frame_picture(frame, QSize(), metric, false), "JPG", 100));
    ASSERT_TRUE(writer.close());
    const QString streams = probe_streams(at("a.avi"), "stream=codec_type,codec_name,sample_rate");
    EXPECT_TRUE(streams.contains("codec_type=audio")) << streams.toStdString();
    EXPECT_TRUE(streams.contains("sample_rate=8000")) << streams.toStdString();
}

// A disk that fills up halfway (here a file size limit) leaves a valid file
// of the frames written before, and says how many; a stop does the same
// without a message.
TEST_F(VideoExport, FileCutShortStaysValidWithTheFramesWrittenBefore)
{
    fill_store(store, 320, 240);
    const ExportResult full =
        on_a_full_disk(120 * 1024, [this] { return export_avi("full.avi", "25"); });

    ASSERT_GT(full.written, 0);
    ASSERT_LT(full.written, 10);
    EXPECT_TRUE(full.error.contains(QString("first %1 of 10").arg(full.written)))
        << full.error.toStdString();

    ExportOptions o;
    o.path = at("stopped.avi");
    o.frames = 10;
    o.threads = 1;
    o.progress = [](int written, int) { return written < 3; };
    const ExportResult stopped = export_frames(store, metric, o);
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_TRUE(stopped.error.isEmpty());
    EXPECT_EQ(stopped.written, 3);

    for (auto [name, frames] : {std::pair{"full.avi", full.written}, {"stopped.avi", 3}}) {
        const AviFile f(at(name));
        EXPECT_EQ(f.u32(4), quint32(f.bytes.size() - 8)) << name;
        EXPECT_EQ(f.frames(), quint32(frames)) << name;
        EXPECT_EQ(f.tag(f.idx1()), "idx1") << name;
        EXPECT_EQ(f.index_entries(), quint32(frames)) << name;
    }
}

// Real readers again: H.264 in 4:2:0 at the rate asked for, BT.709 in
// limited range in the stream and the container, the index first; every
// frame decodes, the first within 35 dB of the stored frame, the colour bars
// within a few levels.
TEST_F(VideoExport, Mp4PlayersReadH264TaggedBt709AtTheRateAskedFor)
{
    if (QStandardPaths::findExecutable("ffprobe").isEmpty())
        GTEST_SKIP() << "ffprobe is not installed";
    fill_store(store, 160, 120);
    paint_bars(store[1]);
    for (auto [rate, expected] : {std::pair{"25", "25/1"}, {"12.5", "25/2"}}) {
        const ExportResult r = export_mp4("v.mp4", rate);
        EXPECT_EQ(r.written, 10);
        EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
        const QString streams =
            probe_streams(at("v.mp4"), "stream=codec_name,pix_fmt,width,height,r_frame_rate,"
                                       "nb_read_frames,color_range,color_space,color_transfer,"
                                       "color_primaries");
        for (QString line : {"codec_name=h264", "pix_fmt=yuv420p", "width=160", "height=120",
                             "nb_read_frames=10", "color_range=tv", "color_space=bt709",
                             "color_transfer=bt709", "color_primaries=bt709"})
            EXPECT_TRUE(streams.contains(line)) << streams.toStdString();
        EXPECT_TRUE(streams.contains(QString("r_frame_rate=") + expected)) << streams.toStdString();
    }
    // Only the small ftyp box comes before the first of the two.
    QFile mp4(at("v.mp4"));
    ASSERT_TRUE(mp4.open(QIODevice::ReadOnly));
    const QByteArray bytes = mp4.readAll();
    EXPECT_LT(bytes.indexOf("moov"), bytes.indexOf("mdat"));
    EXPECT_EQ(files(), QStringList{"v.mp4"});

    const auto [log, decoded] = run("ffmpeg", {"-v", "error", "-i", at("v.mp4"), at("f%d.png")});
    EXPECT_TRUE(decoded && log.isEmpty()) << log.toStdString();
    EXPECT_TRUE(QFile::exists(at("f10.png")));
    EXPECT_GE(psnr(frame_picture(store[0], QSize(), metric, false), QImage(at("f1.png"))), 35);
    const QImage decoded_bars(at("f2.png"));
    for (int i = 0; i < 8; ++i) {
        const QRgb want = bars[i], got = decoded_bars.pixel(i * 20 + 10, 60);
        for (int d : {qRed(want) - qRed(got), qGreen(want) - qGreen(got), qBlue(want) - qBlue(got)})
            EXPECT_LE(std::abs(d), 4) << "bar " << i << " decoded as " << std::hex << got;
    }
}

// Odd sides grow by one, the picture's edge repeated; a stop keeps a valid
// file of the frames written before; a full disk (a file size limit) leaves
// nothing, not even the temporary file.
TEST_F(VideoExport, Mp4OddSizesStopsAndFullDisks)
{
    fill_store(store, 161, 121);
    EXPECT_EQ(Mp4Writer::video_size(QSize(161, 121)), QSize(162, 122));
    EXPECT_EQ(Mp4Writer::video_size(QSize(2, 1)), QSize(2, 2));
    const ExportResult odd = export_mp4("odd.mp4", "10");
    EXPECT_EQ(odd.written, 10) << odd.error.toStdString();
    EXPECT_EQ(probe_streams(at("odd.mp4"), "stream=width,height"), "width=162\nheight=122\n");

    const ExportResult stopped =
        export_mp4("stopped.mp4", "10", [](int written, int) { return written < 3; });
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_TRUE(stopped.error.isEmpty()) << stopped.error.toStdString();
    EXPECT_EQ(stopped.written, 3);
    EXPECT_EQ(probe_streams(at("stopped.mp4"), "stream=nb_read_frames"), "nb_read_frames=3\n");

    fill_store(store, 640, 480);
    const ExportResult full =
        on_a_full_disk(16 * 1024, [this] { return export_mp4("full.mp4", "25"); });
    EXPECT_EQ(full.written, 0);
    EXPECT_TRUE(full.error.contains("nothing was saved")) << full.error.toStdString();
    EXPECT_TRUE(full.error.contains("File too large")) << full.error.toStdString();

    EXPECT_EQ(files(), (QStringList{"odd.mp4", "stopped.mp4"}));
}

// The final name is written through a link, keeps an old file's permissions
// and gets a new file's usual ones (not the temporary file's private ones);
// a folder is never replaced.
TEST_F(VideoExport, Mp4DestinationsAreTreatedAsAnImageSaveTreatsThem)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    QFile::link(at("target.mp4"), at("link.mp4"));
    const mode_t mask = ::umask(0);
    ::umask(mask);

    QImage picture(16, 12, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    const struct {
        const char *name;
        bool written;
    } cases[] = {{"new.mp4", true}, {"link.mp4", true}, {"folder", false}};
    for (auto const &c : cases) {
        Mp4Writer writer(at(c.name));
        QString e = writer.open(picture.size(), {25, 1}, 100, 1);
        if (e.isEmpty())
            e = writer.add_frame(picture);
        if (e.isEmpty())
            e = writer.finish();
        EXPECT_EQ(e.isEmpty(), c.written) << c.name << ": " << e.toStdString();
    }
    EXPECT_TRUE(QFileInfo(at("link.mp4")).isSymLink());
    EXPECT_GT(QFileInfo(at("target.mp4")).size(), 0);
    struct stat made {
    };
    ASSERT_EQ(::stat(QFile::encodeName(at("new.mp4")).constData(), &made), 0);
    EXPECT_EQ(made.st_mode & 0777, 0666 & ~mask);
    EXPECT_EQ(files(), (QStringList{"link.mp4", "new.mp4", "target.mp4"}));

    Mp4Writer writer(at("sizes.mp4"));
    ASSERT_EQ(writer.open(picture.size(), {25, 1}, 100, 1), QString());
    EXPECT_FALSE(writer.add_frame(picture.scaled(32, 24)).isEmpty());
}

} // namespace
