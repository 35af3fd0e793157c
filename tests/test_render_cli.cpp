#include "scene/settings.h"
#include "tests/support/ffprobe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <map>
#include <vector>

#include <sys/resource.h>

namespace
{

struct Outcome {
    int code;
    QString err;
    QString out;
};

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

Outcome render(QStringList const &args, QString const &dir,
               QProcessEnvironment env = QProcessEnvironment::systemEnvironment())
{
    return run(QStringLiteral(TENEBRION_RENDER), args, dir, env);
}

void put(QString const &name, QByteArray const &bytes)
{
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray contents(QString const &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Frames in an AVI file as a player counts them; -1 without ffprobe.
int frames_played(QString const &name)
{
    const QString read = probe_streams(name, "stream=nb_read_frames");
    return read.isEmpty() ? -1 : read.trimmed().section('=', 1).toInt();
}

QByteArray scene_with_tt(QString const &formula)
{
    return QStringLiteral(R"({"version": 1, "metric": {"tt": "%1"}})").arg(formula).toUtf8();
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

// The manual page's entries: the option names of each heading, and its text.
std::vector<std::pair<QStringList, QString>> manual_entries(QString const &page)
{
    std::vector<std::pair<QStringList, QString>> entries;
    QString source = page;
    source.replace(QLatin1String("\\-"), QLatin1String("-"));
    const QStringList lines = source.split('\n');
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i] != ".TP")
            continue;
        QString body;
        for (qsizetype j = i + 2;
             j < lines.size() && !lines[j].startsWith(".TP") && !lines[j].startsWith(".SH"); ++j)
            body += lines[j] + ' ';
        entries.emplace_back(option_names(lines[i + 1]), lines[i + 1] + ' ' + body);
    }
    return entries;
}

} // namespace

TEST(RenderCli, ReportsEachErrorWithItsExitCodeAndNothingIsWritten)
{
    QTemporaryDir dir;
    put(dir.filePath("bad.json"), R"({"version": 1, "metric": {"rr": "1/(1-2*M/"}})");
    put(dir.filePath("long.json"), scene_with_tt("r" + QString("+r").repeated(2000)));
    put(dir.filePath("wide.json"), scene_with_tt(QString::fromUtf8("r\u0117r")));
    put(dir.filePath("root.json"), scene_with_tt("(1-2*M/r)^(1/2)"));
    for (const char *name : {"locked.png", "locked.avi"}) {
        put(dir.filePath(name), "kept");
        QFile::setPermissions(dir.filePath(name), QFileDevice::ReadOwner);
    }
    QDir(dir.path()).mkdir("folder.png");
    const QStringList before = QDir(dir.path()).entryList(QDir::Files);
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
        {{"-o", "a_%d_%d.png", "--frames", "2"},
         2,
         "-o: only one %d (or %0Nd) field is allowed in \"a_%d_%d.png\""},
        {{"-o", "a%n.png"}, 2, "-o: in \"a%n.png\" a % must begin %d, %0Nd or %%"},
        {{"-o", "p%0999999999d.png", "--frames", "2"}, 2, "at most 10 wide"},
        {{"-r", "-5", "-o", "a.png"}, 2, "tenebrion-render: -r must be"},
        {{"-o", "/dev/full"}, 2, "cannot write /dev/full: not a regular file"},
        {{"-o", "folder.png"}, 2, "cannot write folder.png: not a regular file"},
        {{"-o", "locked.png"}, 2, "cannot write locked.png: the file is read-only"},
        {{"-o", "locked.avi"}, 2, "cannot write locked.avi: the file is read-only"},
        {{"--scene", "long.json", "-o", "a.png"}, 2, "\"metric.tt\": formula too long"},
        {{"--scene", "wide.json", "-o", "a.png"}, 2, "unknown character 'ė' (character 2)"},
        {{"--scene", "root.json", "-o", "a.png"}, 2, "exponent 0.5 is not a whole number"},

        {{"--scene", "missing.json", "-o", "a.png"}, 2, "--scene"},
        {{"--scene", "bad.json", "-o", "a.png"}, 2, "metric.rr"},
        {{"--panorama", "missing.png", "--size", "16x12", "-o", "a.png"}, 2, "missing.png"},
        {{"--size", "16x12", "-o", "no/such/dir/a.png"}, 1, "cannot write"},
        // Values from which no frame can be rendered.
        {{"-r", "1", "--size", "16x12", "-o", "a.png"}, 2, "r = 1 is inside r = 1.60"},
        {{"-r", "1e308", "-o", "a.png"}, 2, "must be from 0.001 to 1000"},
        {{"--theta", "200", "-o", "a.png"}, 2, "--theta must be from 0 to 180 degrees"},
        {{"--accuracy", "1e-9", "-o", "a.png"}, 2, "--accuracy must be from 0.001 to 0.2"},
        {{"--disk-inner", "1e308", "-o", "a.png"}, 2, "--disk-inner must be from 0 to 1e6"},
        {{"--fps", "5000", "--frames", "2", "-o", "a.avi"}, 2, "--fps"},
    };
    for (auto const &c : cases) {
        const Outcome r = render(c.args, dir.path());
        EXPECT_EQ(r.code, c.code) << c.args.join(' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.says))) << r.err.toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), before);
    EXPECT_EQ(contents(dir.filePath("locked.avi")), "kept");
}

// Both programs answer --help and --version (or -v) and exit, with no
// display and no window.
TEST(RenderCli, BothProgramsAnswerHelpAndVersionWithoutADisplay)
{
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
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
        const Outcome r = run(program, {option}, dir.path(), env);
        EXPECT_EQ(r.code, 0) << program << option << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(says)) << program << option << r.out.toStdString();
    }
}

// A disk that fills up (a file size limit, with SIGXFSZ ignored as a full
// disk raises none): exit 1, one line naming the file and the system's
// reason, and nothing under a final name, an old file intact.
TEST(RenderCli, FullDiskFailsWithTheReasonAndLeavesNoPartialFile)
{
    const struct {
        QStringList args;
        const char *file;
    } cases[] = {
        {{"-o", "one.png"}, "one.png"},
        {{"--frames", "3", "-o", "seq_%02d.jpg"}, "seq_00.jpg"},
        {{"--frames", "3", "-o", "movie.avi"}, "movie.avi"},
        {{"--frames", "3", "-o", "movie.mp4"}, "movie.mp4"},
        {{"-o", "old.png"}, "old.png"},
    };
    for (auto const &c : cases) {
        QTemporaryDir dir;
        put(dir.filePath("old.png"), "the old picture");
        const Outcome r = run(QStringLiteral(TENEBRION_RENDER),
                              c.args + QStringList{"--quiet", "--size", "64x48"}, dir.path(),
                              QProcessEnvironment::systemEnvironment(), [] {
                                  std::signal(SIGXFSZ, SIG_IGN);
                                  const rlimit limit{512, 512};
                                  setrlimit(RLIMIT_FSIZE, &limit);
                              });
        const std::string args = c.args.join(' ').toStdString();
        EXPECT_EQ(r.code, 1) << args << r.err.toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("tenebrion-render: cannot write ")))
            << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.file))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("File too large")) << r.err.toStdString();
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"old.png"}) << args;
        EXPECT_EQ(contents(dir.filePath("old.png")), "the old picture");
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
            if (const int played = frames_played(dir.filePath(c.output)); played >= 0) {
                EXPECT_EQ(played, kept);
            }
            continue;
        }
        EXPECT_EQ(files.size(), kept) << files.join(' ').toStdString();
        for (QString const &f : files)
            EXPECT_EQ(QImageReader(dir.filePath(f)).read().size(), QSize(48, 36))
                << f.toStdString();
    }
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
    // Written through a link, which stays a link.
    ASSERT_TRUE(QFile::link(dir.filePath("real.png"), dir.filePath("link.png")));
    EXPECT_EQ(render({"--quiet", "--size", "8x6", "-o", "link.png"}, dir.path()).code, 0);
    EXPECT_TRUE(QFileInfo(dir.filePath("link.png")).isSymLink());
    // "%%" is a plain "%", in numbered names and others.
    EXPECT_EQ(render({"--quiet", "--size", "8x6", "-o", "100%%.png"}, dir.path()).code, 0);
    EXPECT_EQ(
        render({"--quiet", "--size", "8x6", "--frames", "2", "-o", "%%%02d.png"}, dir.path()).code,
        0);
    for (const char *name : {"real.png", "100%.png", "%00.png", "%01.png"})
        EXPECT_EQ(QImageReader(dir.filePath(name)).read().size(), QSize(8, 6)) << name;
}

// Both video formats, an odd-sized MP4 said to be padded.
TEST(RenderCli, WritesVideosThatAPlayerReads)
{
    QTemporaryDir dir;
    // Each written through a link, which stays a link.
    const struct {
        const char *name, *link, *size, *streams;
    } cases[] = {{"movie.avi", "link.avi", "16x12",
                  "codec_name=mjpeg\nwidth=16\nheight=12\navg_frame_rate=25/2\nnb_read_frames=3\n"},
                 {"movie.mp4", "link.mp4", "17x12",
                  "codec_name=h264\nwidth=18\nheight=12\navg_frame_rate=25/2\nnb_read_frames=3\n"}};
    for (auto const &c : cases) {
        ASSERT_TRUE(QFile::link(dir.filePath(c.name), dir.filePath(c.link)));
        const Outcome r =
            render({"--frames", "3", "--size", c.size, "--fps", "12.5", "-o", c.link}, dir.path());
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(r.err.contains("padded with a copy of their last column"),
                  QByteArray(c.name).endsWith("mp4"))
            << r.err.toStdString();
        EXPECT_TRUE(QFileInfo(dir.filePath(c.link)).isSymLink());
        EXPECT_EQ(probe_streams(dir.filePath(c.name),
                                "stream=codec_name,width,height,avg_frame_rate,nb_read_frames"),
                  c.streams);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              (QStringList{"link.avi", "link.mp4", "movie.avi", "movie.mp4"}));

    put(dir.filePath("slow.json"), R"({"version": 1, "fps": 5})");
    ASSERT_EQ(render({"--quiet", "--scene", "slow.json", "--frames", "2", "--size", "16x12", "-o",
                      "slow.avi"},
                     dir.path())
                  .code,
              0);
    EXPECT_EQ(probe_streams(dir.filePath("slow.avi"), "stream=avg_frame_rate"),
              "avg_frame_rate=5/1\n")
        << "the scene's rate";
}

// The manual page lists exactly the options --help lists, each one that
// takes a value with its default, the scene's defaults as the program has
// them, and the exit codes --help names, those after a signal included.
TEST(RenderCli, ManualPageIsInStepWithHelp)
{
    QProcess p;
    p.start(QStringLiteral(TENEBRION_RENDER), {"--help"});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString help = QString::fromUtf8(p.readAllStandardOutput());
    QFile file(QStringLiteral(TENEBRION_MANUAL_DIR "/tenebrion-render.1.in"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto entries = manual_entries(QString::fromUtf8(file.readAll()));

    QStringList in_help, in_manual, takes_value;
    for (QString const &line : help.split('\n'))
        if (line.startsWith("  -")) {
            const QString heading = line.section("  ", 1, 1);
            in_help << option_names(heading);
            if (heading.contains('<'))
                takes_value << option_names(heading);
        }
    std::map<QString, QString> text_of;
    for (auto const &[names, text] : entries)
        for (QString const &n : names)
            text_of[n] = text;
    for (auto const &entry : text_of)
        in_manual << entry.first;
    in_help.sort();
    EXPECT_EQ(in_manual.join(' ').toStdString(), in_help.join(' ').toStdString());
    for (QString const &option : takes_value)
        EXPECT_TRUE(text_of[option].contains("Default: ")) << option.toStdString();

    const SceneSettings s;
    const auto on = [](bool b) { return QString(b ? "on" : "off"); };
    const std::pair<const char *, QString> defaults[] = {
        {"--preset", preset_keys[s.preset]},
        {"--mass", field_text(s.M)},
        {"--spin", field_text(s.a)},
        {"--charge", field_text(s.Q)},
        {"--lambda", field_text(s.Λ)},
        {"-r", field_text(s.r)},
        {"--theta", field_text(s.θ)},
        {"--phi", field_text(s.φ)},
        {"--speed", s.v ? field_text(*s.v) : "orbital"},
        {"--disk", on(s.disk)},
        {"--disk-inner", s.inner ? field_text(*s.inner) : "orbital"},
        {"--disk-outer", field_text(s.outer)},
        {"--transparency", transparency_names[s.transparency]},
        {"--shift", on(s.shift)},
        {"--beaming", on(s.beaming)},
        {"--colour", s.simulated ? "simulated" : "classic"},
        {"--aberration", on(s.aberration)},
        {"--accuracy", field_text(s.accuracy)},
        {"--accurate", on(s.accurate)},
        {"--zoom", QString::number(s.zoom)},
        {"--overlay", on(s.overlay)},
        {"--size", QString("%1x%2").arg(s.width).arg(s.height)},
        {"--rounds", field_text(s.rounds)},
        {"--frames", QString::number(run_frames(s))},
    };
    for (auto const &[option, value] : defaults)
        EXPECT_TRUE(text_of[option].contains("Default: " + value + '.'))
            << option << " should default to " << value.toStdString() << ": "
            << text_of[option].toStdString();

    const QRegularExpression codes(QStringLiteral("Exit codes: (.*)\n\nOptions:"),
                                   QRegularExpression::DotMatchesEverythingOption);
    QStringList help_codes, manual_codes;
    for (auto it = QRegularExpression(QStringLiteral("(?<!\\w)(\\d+)\\b"))
                       .globalMatch(codes.match(help).captured(1));
         it.hasNext();)
        help_codes << it.next().captured(1);
    for (auto const &[names, text] : entries)
        if (names.isEmpty() && text.startsWith(".B "))
            manual_codes << text.section(' ', 1, 1);
    EXPECT_EQ(manual_codes.join(' ').toStdString(), help_codes.join(' ').toStdString());
}
