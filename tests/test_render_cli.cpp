#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

struct Outcome {
    int code;
    QString err;
};

Outcome render(QStringList const &args, QString const &dir,
               QProcessEnvironment env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TENEBRION_RENDER), args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

TEST(RenderCli, ReportsEachErrorWithItsExitCodeAndNothingIsWritten)
{
    QTemporaryDir dir;
    QFile bad_metric(dir.filePath("bad.json"));
    ASSERT_TRUE(bad_metric.open(QIODevice::WriteOnly));
    bad_metric.write(R"({"version": 1, "metric": {"rr": "1/(1-2*M/"}})");
    bad_metric.close();
    const struct {
        QStringList args;
        int code;
        const char *says;
    } cases[] = {
        {{"--size", "16x12"}, 2, "-o"},
        {{"--mass", "heavy", "-o", "a.png"}, 2, "--mass"},
        {{"--speed", "2", "-o", "a.png"}, 2, "--speed"},
        {{"--zoom", "9", "-o", "a.png"}, 2, "--zoom"},
        {{"--size", "16", "-o", "a.png"}, 2, "--size"},
        {{"--disk", "yes", "-o", "a.png"}, 2, "--disk"},
        {{"--accurate", "maybe", "-o", "a.png"}, 2, "--accurate"},
        {{"--preset", "kerr2", "-o", "a.png"}, 2, "\"preset\""},
        {{"--frames", "10", "--range", "5-12", "-o", "a_%d.png"}, 2, "--range"},
        {{"--frames", "3", "-o", "a.png"}, 2, "numbered"},
        {{"-o", "a.xyz"}, 2, "suffix"},
        {{"-o", "a_%d_%d.png", "--frames", "2"}, 2, "one %d"},
        {{"--scene", "missing.json", "-o", "a.png"}, 2, "--scene"},
        {{"--scene", "bad.json", "-o", "a.png"}, 2, "metric.rr"},
        {{"--panorama", "missing.png", "--size", "16x12", "-o", "a.png"}, 2, "missing.png"},
        {{"--size", "16x12", "-o", "no/such/dir/a.png"}, 1, "cannot write"},
    };
    for (auto const &c : cases) {
        const Outcome r = render(c.args, dir.path());
        EXPECT_EQ(r.code, c.code) << c.args.join(' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.says))) << r.err.toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"bad.json"});
}

// Without any display, a numbered sequence of readable images of the asked size.
TEST(RenderCli, WritesANumberedSequenceWithoutADisplay)
{
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    const Outcome r =
        render({"--frames", "6", "--size", "20x15", "--overlay", "on", "-o", "frame_%03d.jpg"},
               dir.path(), env);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err.count('\n'), 6) << "one progress line per frame off a terminal";
    for (int k = 0; k < 6; ++k) {
        QImageReader reader(dir.filePath(QStringLiteral("frame_%1.jpg").arg(k, 3, 10, QChar('0'))));
        EXPECT_EQ(reader.format(), "jpeg");
        EXPECT_EQ(reader.read().size(), QSize(20, 15)) << k;
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 6);
    EXPECT_EQ(render({"--quiet", "--size", "8x6", "-o", "q.png"}, dir.path()).err, QString());
}

// Both video formats, an odd-sized MP4 said to be padded.
TEST(RenderCli, WritesVideosThatAPlayerReads)
{
    QTemporaryDir dir;
    const struct {
        const char *name, *size, *streams;
    } cases[] = {{"movie.avi", "16x12", "mjpeg,16,12,25/2,3"},
                 {"movie.mp4", "17x12", "h264,18,12,25/2,3"}};
    for (auto const &c : cases) {
        const Outcome r =
            render({"--frames", "3", "--size", c.size, "--fps", "12.5", "-o", c.name}, dir.path());
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(r.err.contains("padded with a copy of their last column"),
                  QByteArray(c.name).endsWith("mp4"))
            << r.err.toStdString();
        QProcess probe;
        probe.start("ffprobe", {"-v", "error", "-count_frames", "-show_entries",
                                "stream=codec_name,width,height,nb_read_frames,avg_frame_rate",
                                "-of", "csv=p=0", dir.filePath(c.name)});
        ASSERT_TRUE(probe.waitForFinished(60000));
        EXPECT_EQ(probe.readAllStandardOutput().trimmed(), c.streams);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"movie.avi", "movie.mp4"}));
}
