// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/simd_path.h"
#include "scene/scene_file.h"
#include "tests/support/ffprobe.h"
#include "tests/support/output_hazards.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <map>

#include <sys/resource.h>

namespace
{

struct Outcome {
    int code;
    QString err;
    QString out;
};

// The environment without any display.
QProcessEnvironment headless()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    return env;
}

Outcome run(QString const &program, QStringList const &args, QString const &dir,
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment(),
            std::function<void()> in_child = {})
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessEnvironment(env);
    if (in_child)
        p.setChildProcessModifier(in_child);
    p.start(program, args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardError()),
            QString::fromUtf8(p.readAllStandardOutput())};
}

Outcome render(QStringList const &args, QString const &dir)
{
    return run(QStringLiteral(TENEBRION_RENDER), args, dir);
}

// Option names in a line of --help or a manual page's entry heading.
QStringList option_names(QString const &text)
{
    static const QRegularExpression name(QStringLiteral("(?<![\\w-])--?[A-Za-z][\\w-]*"));
    QStringList names;
    for (auto it = name.globalMatch(text); it.hasNext();)
        names << it.next().captured();
    return names;
}

} // namespace

// Each refused argument, scene file or panorama is one line naming it, exit
// code 2, and nothing is written; a scene file is read only from a regular
// file of at most 1 MiB, so neither the zero device nor a fifo holds it up.
// A frame larger than the memory the process may use is exit 1 before any
// work. The frame rate's messages are the scene file's, from its one table.
TEST(RenderCli, ReportsEachErrorWithItsExitCodeAndNothingIsWritten)
{
    QTemporaryDir dir;
    put_file(dir.filePath("bad.json"), R"({"version": 1, "metric": {"rr": "1/(1-2*M/"}})");
    put_file(dir.filePath("fps.json"), R"({"version": 1, "fps": 12.1234567})");
    put_file(dir.filePath("flat.json"), R"j({"version": 1, "metric": {"tt": "(r-r)/(r-r)"}})j");
    put_file(dir.filePath("long.json"), "{\"version\": 1}" + QByteArray(1024 * 1024, ' '));
    put_file(dir.filePath("sds.json"),
             R"json({"version": 1, "preset": "schwarzschild", "lambda": 0.001, "r": 10,
         "metric": {"tt": "-(1-2*M/r-Λ*r^2/3)", "rr": "1/(1-2*M/r-Λ*r^2/3)"}})json");
    place(Hazard::fifo, dir.filePath("pipe.json"));
    const auto before = disk_state(dir.path());
    const QString six_decimals = "must be from 0.1 to 1000 with at most six decimals";
    const struct {
        QStringList args;
        int code;
        QString says;
        rlim_t memory = RLIM_INFINITY;
    } cases[] = {
        {{"--size", "16x12"}, 2, "-o"},
        {{"--mass", "heavy", "-o", "a.png"}, 2, "--mass"},
        {{"--zoom", "9", "-o", "a.png"}, 2, "--zoom"},
        {{"--smooth", "2", "-o", "a.png"}, 2, "--smooth must be 1, 4 or 16"},
        {{"--disk", "yes", "-o", "a.png"}, 2, "--disk"},
        {{"--preset", "kerr2", "-o", "a.png"}, 2, "\"preset\""},
        {{"--frames", "10", "--range", "5-12", "-o", "a_%d.png"}, 2, "--range"},
        {{"--frames", "3", "-o", "a.png"}, 2, "numbered"},
        {{"-o", "a.xyz"}, 2, "suffix"},
        {{"-o", "a_%d_%d.png", "--frames", "2"},
         2,
         "-o: only one %d (or %0Nd) field is allowed in \"a_%d_%d.png\""},
        {{"-o", "a%n.png"}, 2, "-o: in \"a%n.png\" a % must begin %d, %0Nd or %%"},
        {{"-o", "p%0999999999d.png", "--frames", "2"}, 2, "at most 10 wide"},
        {{"--scene", "missing.json", "-o", "a.png"}, 2, "--scene"},
        {{"--scene", "bad.json", "-o", "a.png"}, 2, "bad.json: \"metric.rr\""},
        {{"--scene", "/dev/zero", "-o", "a.png"}, 2, "cannot read /dev/zero: not a regular file"},
        {{"--scene", "pipe.json", "-o", "a.png"}, 2, "cannot read pipe.json: not a regular file"},
        {{"--scene", "long.json", "-o", "a.png"}, 2, "longer than 1024 KiB"},
        {{"--scene", "flat.json", "-o", "a.png"}, 2, "g is not Lorentzian at r = 50, θ = 80°"},
        {{"--panorama", "missing.png", "--size", "16x12", "-o", "a.png"}, 2, "missing.png"},
        {{"--size", "16x12", "-o", "no/such/dir/a.png"}, 1, "cannot write"},
        {{"--size", "16384x16384", "-o", "big.png"},
         1,
         "tenebrion-render: not enough memory for a 16384x16384 frame (needs about 3490 MB)",
         1000000000},
        {{"--fps", "5000", "--frames", "2", "-o", "a.avi"}, 2, "--fps " + six_decimals},
        {{"--fps", "12.1234567", "--frames", "2", "-o", "a.avi"}, 2, "--fps " + six_decimals},
        {{"--fps", "0.0000001", "--frames", "2", "-o", "a.avi"}, 2, "--fps " + six_decimals},
        {{"--scene", "fps.json", "-o", "a.avi"}, 2, "\"fps\" " + six_decimals},
        // Values from which no frame can be rendered, named as options.
        {{"-r", "1", "--size", "16x12", "-o", "a.png"}, 2, "r = 1 is inside r = 1.60"},
        {{"-r", "-5", "-o", "a.png"}, 2, "tenebrion-render: -r must be from 0.001 to 1000"},
        {{"--theta", "200", "-o", "a.png"}, 2, "--theta must be from 0 to 180 degrees"},
        {{"--disk-inner", "1e308", "-o", "a.png"}, 2, "--disk-inner must be from 0 to 1e6"},
        {{"--scene", "sds.json", "--disk", "on", "-o", "a.png"}, 2, "--disk-inner: this metric"},
    };
    for (auto const &c : cases) {
        if (c.memory != RLIM_INFINITY && !address_limit_testable)
            continue;
        const rlim_t memory = c.memory;
        const Outcome r = run(TENEBRION_RENDER, c.args, dir.path(),
                              QProcessEnvironment::systemEnvironment(), [memory] {
                                  const rlimit limit{memory, memory};
                                  setrlimit(RLIMIT_AS, &limit);
                              });
        EXPECT_EQ(r.code, c.code) << c.args.join(' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    }
    EXPECT_EQ(disk_state(dir.path()), before);
}

// A metric whose g_tt turns to ∞/∞ at |t| = 53: the rays that get there are
// counted in one warning, and only a frame none of whose rays could be
// traced is a failure.
TEST(RenderCli, RaysThatCannotBeTracedAreCountedInAWarning)
{
    QTemporaryDir dir;
    const struct {
        double M;
        int code;
        const char *says;
    } cases[] = {
        {1, 0, "pixels could not be traced: the metric is not finite along their rays"},
        {0, 1, "165 pixels could not be traced: the metric is not finite along their rays"},
    };
    for (auto const &c : cases) {
        put_file(dir.filePath("wall.json"),
            QStringLiteral(R"({"version": 1, "M": %1, "r": 15, "theta": 90, "speed": 0, )"
                           R"j("metric": {"tt": "-(1-2*M/r)*((t/(4*5))^(9*9*9+1)+1)/)j"
                           R"j(((t/(4*5))^(9*9*9+1)+2)"}})j")
                .arg(c.M)
                .toUtf8());
        const Outcome r = render(
            {"--scene", "wall.json", "--size", "15x11", "--quiet", "-o", "a.png"}, dir.path());
        EXPECT_EQ(r.code, c.code) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith("tenebrion-render: warning: ")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.says))) << r.err.toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_TRUE(QImageReader(dir.filePath("a.png")).canRead());
    }
}

// Both programs answer --help and --version (or -v) and exit, with no
// display and no window.
TEST(RenderCli, BothProgramsAnswerHelpAndVersionWithoutADisplay)
{
    QTemporaryDir dir;
    const struct {
        const char *program, *option, *says;
    } cases[] = {
        {TENEBRION_RENDER, "--version", "tenebrion-render 9.2"},
        {TENEBRION_RENDER, "-v", "tenebrion-render 9.2"},
        {TENEBRION_RENDER, "--help", "130 or 143"},
        {TENEBRION_APP, "--version", "tenebrion 9.2"},
        {TENEBRION_APP, "-v", "tenebrion 9.2"},
        {TENEBRION_APP, "--help", "Usage: tenebrion"},
    };
    for (auto [program, option, says] : cases) {
        const Outcome r = run(program, {option}, dir.path(), headless());
        EXPECT_EQ(r.code, 0) << program << option << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(says)) << program << option << r.out.toStdString();
    }
}

// One rule for every output kind: what lies under the output name (the
// first file of a sequence) is refused with exit 1 and one line naming the
// file and the reason, and left exactly as it was: an older file on a disk
// that fills up (a file size limit, SIGXFSZ ignored as a full disk raises
// none), a device, a fifo no one reads, a read-only file. A link is written
// through; a new name of 255 bytes works. A link named as the old fixed
// temporary name was (NAME.part) is never followed.
TEST(RenderCli, EveryOutputKindLeavesWhatItDidNotWriteAsItWas)
{
    const struct {
        const char *output, *first;
        int frames, files;
        int stem; // of the longest name, its first file 255 bytes
    } kinds[] = {{"x.png", "x.png", 1, 1, 251},
                 {"x%d.png", "x0.png", 2, 2, 250},
                 {"x.avi", "x.avi", 2, 1, 251},
                 {"x.mp4", "x.mp4", 2, 1, 251}};
    const struct {
        Hazard hazard;
        int code;
        const char *says;
    } hazards[] = {{Hazard::none, 0, ""},
                   {Hazard::older, 1, "File too large"},
                   {Hazard::device, 1, "not a regular file"},
                   {Hazard::fifo, 1, "not a regular file"},
                   {Hazard::read_only, 1, "the file is read-only"},
                   {Hazard::link, 0, ""}};
    for (auto const &k : kinds)
        for (auto const &h : hazards) {
            QTemporaryDir dir;
            const bool long_name = h.hazard == Hazard::none;
            const QString output =
                (long_name ? QString(k.stem, 'n') : QString("x")) + QString(k.output).mid(1);
            const QString first = long_name ? QString(output).replace("%d", "0") : k.first;
            SCOPED_TRACE(first.left(12).toStdString() + " " + std::to_string(int(h.hazard)));
            place(h.hazard, dir.filePath(first));
            if (!long_name) {
                put_file(dir.filePath("precious"), "precious");
                QFile::link("precious", dir.filePath(first + ".part"));
            }
            const auto before = disk_state(dir.path());
            const rlim_t size = h.hazard == Hazard::older ? 512 : RLIM_INFINITY;
            const Outcome r = run(
                TENEBRION_RENDER,
                {"--quiet", "--size", "64x48", "--frames", QString::number(k.frames), "-o", output},
                dir.path(), QProcessEnvironment::systemEnvironment(), [size] {
                    std::signal(SIGXFSZ, SIG_IGN);
                    const rlimit limit{size, size};
                    setrlimit(RLIMIT_FSIZE, &limit);
                });
            const auto after = disk_state(dir.path());
            EXPECT_EQ(r.code, h.code) << r.err.toStdString();
            if (h.code != 0) {
                EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
                EXPECT_TRUE(r.err.startsWith("tenebrion-render: cannot write ") &&
                            r.err.contains(first))
                    << r.err.toStdString();
                EXPECT_TRUE(r.err.contains(h.says)) << r.err.toStdString();
                EXPECT_EQ(after, before);
                continue;
            }
            EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
            EXPECT_EQ(after.size(), before.size() + k.files - (h.hazard == Hazard::link));
            EXPECT_TRUE(QFileInfo(dir.filePath(first)).size() > 0);
            if (h.hazard == Hazard::link) {
                EXPECT_EQ(after.at(first.toStdString()), before.at(first.toStdString()));
                EXPECT_NE(after.at("linked"), before.at("linked"));
                EXPECT_EQ(after.at("precious"), before.at("precious"));
            }
        }
}

// SIGINT or SIGTERM during a run: the frame in progress is dropped, the
// finished ones stay (a video file is closed holding them), one line says so,
// and the exit code is 128 + the signal.
TEST(RenderCli, StopSignalEndsTheRunCleanly)
{
    const struct {
        int signal;
        const char *output, *says;
        int count_at; // the word of the message that counts the frames kept
    } cases[] = {
        {SIGINT, "frame_%03d.png", "SIGINT: stopped after ", 4},
        {SIGTERM, "movie.avi", "SIGTERM: stopped; movie.avi holds the first ", 7},
        {SIGTERM, "movie.mp4", "SIGTERM: stopped; movie.mp4 holds the first ", 7},
    };
    for (auto c : cases) {
        QTemporaryDir dir;
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.setReadChannel(QProcess::StandardError);
        p.start(QStringLiteral(TENEBRION_RENDER),
                {"--preset", "kerr", "--frames", "200", "--size", "48x36", "-o", c.output});
        QByteArray err;
        while (!err.contains("frame 1 done") && p.waitForReadyRead(60000))
            err += p.readAllStandardError();
        ASSERT_TRUE(err.contains("frame 1 done")) << err.toStdString();
        ::kill(pid_t(p.processId()), c.signal);
        ASSERT_TRUE(p.waitForFinished(30000));
        err += p.readAllStandardError();
        const QString last = QString::fromUtf8(err).trimmed().section('\n', -1);
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 128 + c.signal);
        ASSERT_TRUE(last.startsWith(QStringLiteral("tenebrion-render: ") + c.says))
            << last.toStdString();

        const int kept = last.section(' ', c.count_at, c.count_at).toInt();
        EXPECT_GE(kept, 2) << last.toStdString();
        const QStringList files = QDir(dir.path()).entryList(QDir::Files);
        if (c.signal == SIGTERM) {
            EXPECT_EQ(files, QStringList{c.output});
            EXPECT_EQ(probe_streams(dir.filePath(c.output), "stream=nb_read_frames"),
                      QString("nb_read_frames=%1\n").arg(kept));
            continue;
        }
        EXPECT_EQ(files.size(), kept) << files.join(' ').toStdString();
        for (QString const &f : files)
            EXPECT_EQ(QImageReader(dir.filePath(f)).read().size(), QSize(48, 36))
                << f.toStdString();
    }
}

// Without any display, every output as a reader reads it back: a numbered
// JPEG sequence (the tracing path, then one progress line per frame off a
// terminal; nothing when quiet), "%%" a plain "%", both video formats at the
// rate asked for (the scene's without --fps), an odd-sized MP4 said to be
// padded, a scene's panorama found beside it.
TEST(RenderCli, WritesEveryFormatAsReadersReadIt)
{
    QTemporaryDir dir;
    put_file(dir.filePath("slow.json"), R"({"version": 1, "fps": 5})");
    // A panorama named relative to its scene file lies beside the file.
    ASSERT_TRUE(QDir(dir.path()).mkdir("skies"));
    put_file(dir.filePath("skies/blue.json"), R"({"version": 1, "panorama": "blue.png"})");
    ASSERT_TRUE(QImage(4, 2, QImage::Format_RGB32).save(dir.filePath("skies/blue.png")));
    const QString streams = "stream=codec_name,width,height,avg_frame_rate,nb_read_frames";
    const struct {
        QString args;
        int lines;
        QString file, read;
    } cases[] = {
        {"--frames 6 --size 20x15 --overlay on -o frame_%03d.jpg", 7, "frame_000.jpg",
         "jpeg 20x15"},
        {"--quiet --size 8x6 -o view.png", 0, "view.png", "png 8x6"},
        {"--quiet --size 8x6 -o 100%%.png", 0, "100%.png", "png 8x6"},
        {"--quiet --size 8x6 --frames 2 -o %%%02d.png", 0, "%01.png", "png 8x6"},
        {"--frames 3 --size 16x12 --fps 12.5 -o movie.avi", 4, "movie.avi",
         "codec_name=mjpeg\nwidth=16\nheight=12\navg_frame_rate=25/2\nnb_read_frames=3\n"},
        {"--frames 3 --size 17x12 --fps 12.5 -o movie.mp4", 5, "movie.mp4",
         "codec_name=h264\nwidth=18\nheight=12\navg_frame_rate=25/2\nnb_read_frames=3\n"},
        {"--quiet --scene skies/blue.json --size 8x6 -o blue.png", 0, "blue.png", "png 8x6"},
        {"--quiet --scene slow.json --frames 2 --size 16x12 -o slow.avi", 0, "slow.avi",
         "codec_name=mjpeg\nwidth=16\nheight=12\navg_frame_rate=5/1\nnb_read_frames=2\n"},
    };
    for (auto const &c : cases) {
        const Outcome r = run(TENEBRION_RENDER, c.args.split(' '), dir.path(), headless());
        ASSERT_EQ(r.code, 0) << c.args.toStdString() << ": " << r.err.toStdString();
        EXPECT_EQ(r.err.count('\n'), c.lines) << r.err.toStdString();
        EXPECT_EQ(r.err.contains("padded with a copy of their last column"), c.lines == 5);
        QImageReader reader(dir.filePath(c.file));
        const QSize size = reader.size();
        EXPECT_EQ(c.read.contains('=')
                      ? probe_streams(dir.filePath(c.file), streams)
                      : reader.format() + QString(" %1x%2").arg(size.width()).arg(size.height()),
                  c.read);
    }
    EXPECT_TRUE(QFile::exists(dir.filePath("frame_005.jpg")));
    EXPECT_FALSE(QFile::exists(dir.filePath("frame_006.jpg")));
}

// Off (by option or environment) traces one ray at a time, as the log says;
// a path the processor has is taken when asked for.
TEST(RenderCli, SimdOffTracesOneRayAtATime)
{
    QTemporaryDir dir;
    QProcessEnvironment off = headless();
    off.insert("TENEBRION_SIMD", "off");
    const struct {
        QString args;
        QProcessEnvironment env;
        const char *says;
    } cases[] = {{"--simd off", headless(), "one ray at a time"},
                 {"", off, "one ray at a time"},
                 {"--simd avx2", headless(), "AVX2, 4 rays at once"}};
    for (auto const &c : cases) {
        if (c.args.contains("avx2") && !processor_runs(SimdPath::avx2))
            continue;
        const Outcome r =
            run(TENEBRION_RENDER, ("--size 8x6 -o a.png " + c.args).split(' ', Qt::SkipEmptyParts),
                dir.path(), c.env);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        const QString said = r.err.section('\n', 0, 0);
        EXPECT_TRUE(said.startsWith("tenebrion-render: rays traced: ") && said.endsWith(c.says))
            << said.toStdString();
    }
}

// The manual page lists exactly the options --help lists, each one that
// takes a value with its default, the scene's defaults as the program has
// them, and the exit codes --help names, those after a signal included.
TEST(RenderCli, ManualPageIsInStepWithHelp)
{
    const QString help = render({"--help"}, QDir::tempPath()).out;
    QFile file(QStringLiteral(TENEBRION_MANUAL_DIR "/tenebrion-render.1.in"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    // Each entry: ".TP", a heading with the option names, then its text.
    std::map<QString, QString> text_of;
    QStringList manual_codes;
    for (QString const &entry :
         QString::fromUtf8(file.readAll()).replace("\\-", "-").split(".TP\n").mid(1)) {
        const QString heading = entry.section('\n', 0, 0);
        const QString text = entry.section(".SH", 0, 0).simplified();
        for (QString const &name : option_names(heading))
            text_of[name] = text;
        if (option_names(heading).isEmpty() && heading.startsWith(".B "))
            manual_codes << heading.section(' ', 1, 1);
    }
    QStringList in_help, in_manual;
    for (QString const &line : help.split('\n'))
        if (line.startsWith("  -")) {
            const QString heading = line.section("  ", 1, 1);
            in_help << option_names(heading);
            for (QString const &option : option_names(heading))
                EXPECT_TRUE(!heading.contains('<') || text_of[option].contains("Default: "))
                    << option.toStdString();
        }
    for (auto const &entry : text_of)
        in_manual << entry.first;
    in_help.sort();
    EXPECT_EQ(in_manual.join(' ').toStdString(), in_help.join(' ').toStdString());

    // Each option's default is its key's value in a scene file of defaults.
    const QJsonObject defaults = QJsonDocument::fromJson(write_scene(SceneSettings())).object();
    const std::map<QString, QString> key_of = {{"--mass", "M"},
                                               {"--spin", "a"},
                                               {"--charge", "Q"},
                                               {"-r", "r"},
                                               {"--colour", "colour model"},
                                               {"--accurate", "accurate integration"},
                                               {"--smooth", "smooth edges"}};
    int checked = 0;
    for (auto const &[option, text] : text_of) {
        const auto alias = key_of.find(option);
        const QJsonValue v =
            defaults.value(alias != key_of.end() ? alias->second : option.mid(2).replace('-', ' '));
        // The key "frames" is not the run's count, "panorama" is empty, "version" the file's.
        if (v.isUndefined() || QStringList{"--frames", "--panorama", "--version"}.contains(option))
            continue;
        const QString value = v.isBool()     ? QString(v.toBool() ? "on" : "off")
                              : v.isDouble() ? field_text(v.toDouble())
                                             : v.toString();
        EXPECT_TRUE(text.contains("Default: " + value + '.'))
            << option.toStdString() << " should default to " << value.toStdString();
        ++checked;
    }
    EXPECT_EQ(checked, 24);
    EXPECT_TRUE(text_of["--frames"].contains("Default: 1."));

    QStringList help_codes;
    const QString codes = help.section("Exit codes: ", 1).section("\n\nOptions:", 0, 0);
    for (auto it = QRegularExpression("(?<!\\w)(\\d+)\\b").globalMatch(codes); it.hasNext();)
        help_codes << it.next().captured(1);
    EXPECT_EQ(manual_codes.join(' ').toStdString(), help_codes.join(' ').toStdString());
}
