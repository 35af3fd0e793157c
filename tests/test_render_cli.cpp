#include "scene/settings.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <vector>

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

// The manual page lists exactly the options --help lists, each one that
// takes a value with its default, the scene's defaults as the program has
// them, and the exit codes --help names.
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

    const QRegularExpression codes(QStringLiteral("Exit codes: (.*)"));
    QStringList help_codes, manual_codes;
    for (auto it = QRegularExpression(QStringLiteral("(\\d+) "))
                       .globalMatch(codes.match(help).captured(1));
         it.hasNext();)
        help_codes << it.next().captured(1);
    for (auto const &[names, text] : entries)
        if (names.isEmpty() && text.startsWith(".B "))
            manual_codes << text.section(' ', 1, 1);
    EXPECT_EQ(manual_codes.join(' ').toStdString(), help_codes.join(' ').toStdString());
}
