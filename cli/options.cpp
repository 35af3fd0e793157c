// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/options.h"

#include "scene/scene_file.h"
#include "scene/value_ranges.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace
{

enum class Kind { number, on_off, text, number_or_orbital };

// Each option sets one key of the scene file; the scene file's checks then
// apply to it, and their messages name the option instead of the key.
struct Override {
    const char *option;
    const char *alias; // a short name, or null
    const char *key;
    Kind kind;
    const char *value_name;
    const char *help;
};

constexpr Override overrides[] = {
    {"mass", "M", "M", Kind::number, "M", "Mass M."},
    {"spin", "a", "a", Kind::number, "a", "Specific angular momentum a."},
    {"charge", "Q", "Q", Kind::number, "Q", "Electric charge Q."},
    {"lambda", "L", "lambda", Kind::number, "Λ", "Cosmological constant Λ."},
    {"r", nullptr, "r", Kind::number, "R", "Observer's starting radius."},
    {"theta", nullptr, "theta", Kind::number, "DEG", "Observer's starting polar angle, degrees."},
    {"phi", nullptr, "phi", Kind::number, "DEG", "Observer's starting azimuth, degrees."},
    {"speed", nullptr, "speed", Kind::number_or_orbital, "V",
     "Observer's tangential speed in units of c, or \"orbital\"."},
    {"disk", nullptr, "disk", Kind::on_off, "on|off", "The thin Kepler disk."},
    {"disk-inner", nullptr, "disk inner", Kind::number_or_orbital, "R",
     "Inner disk radius, or \"orbital\" for the stable orbit limit."},
    {"disk-outer", nullptr, "disk outer", Kind::number, "R", "Outer disk radius."},
    {"transparency", nullptr, "transparency", Kind::text, "1:1|1:2|1:5|1:9|opaque",
     "Weight of the disk over what lies behind it."},
    {"shift", nullptr, "shift", Kind::on_off, "on|off", "Frequency shift of colours."},
    {"beaming", nullptr, "beaming", Kind::on_off, "on|off", "Relativistic beaming."},
    {"colour", nullptr, "colour model", Kind::text, "simulated|classic",
     "Colour model of the shift."},
    {"aberration", nullptr, "aberration", Kind::on_off, "on|off",
     "Re-aim the camera against the aberration of the centre ray."},
    {"accuracy", nullptr, "accuracy", Kind::number, "P",
     "Step accuracy; smaller is finer and slower."},
    {"accurate", nullptr, "accurate integration", Kind::on_off, "on|off",
     "Error-controlled integration with a tolerance set by --accuracy: far more accurate for "
     "the time."},
    {"smooth", nullptr, "smooth edges", Kind::number, "1|4|16",
     "Rays per pixel on the frame's edges: 1 (off), 4 or 16, averaged in linear light."},
    {"zoom", nullptr, "zoom", Kind::number, "1..6",
     "Zoom step: 1 fish eye, 2 normal, 3..6 zoom 2x..5x."},
    {"panorama", nullptr, "panorama", Kind::text, "FILE", "Background panorama image."},
    {"overlay", nullptr, "overlay", Kind::on_off, "on|off", "Print the observer's coordinates."},
    {"size", nullptr, "size", Kind::text, "WxH", "Frame size in pixels."},
    {"rounds", nullptr, "rounds", Kind::number, "N", "Rounds of the observer's path (0.1..10)."},
    {"fps", nullptr, "fps", Kind::number, "RATE",
     "Frames per second of a video output (default: the scene's, else 25)."},
};

// As the user types it: one dash before a one-letter name, two before a word.
QString dashed(const char *option)
{
    const QString name = QString::fromUtf8(option);
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

QString option_error(const char *option, QString const &what)
{
    return dashed(option) + QStringLiteral(": ") + what;
}

// The value of one option as the scene file would hold it.
[[nodiscard]] QString json_value(Override const &o, QString const &text, QJsonValue &out)
{
    bool ok = false;
    switch (o.kind) {
    case Kind::number_or_orbital:
        if (text == QLatin1String("orbital")) {
            out = text;
            return {};
        }
        [[fallthrough]];
    case Kind::number: {
        const double v = text.toDouble(&ok);
        if (!ok)
            return option_error(o.option, QStringLiteral("\"%1\" is not a number").arg(text));
        out = v;
        return {};
    }
    case Kind::on_off:
        if (text != QLatin1String("on") && text != QLatin1String("off"))
            return option_error(o.option, QStringLiteral("must be on or off"));
        out = text == QLatin1String("on");
        return {};
    case Kind::text:
        out = text;
        return {};
    }
    return {};
}

// The scene file's message names its key; the user typed an option.
QString in_option_terms(QString message)
{
    for (Override const &o : overrides)
        message.replace(QLatin1Char('"') + QString::fromUtf8(o.key) + QLatin1Char('"'),
                        dashed(o.option));
    return message;
}

[[nodiscard]] QString read_range(QString const &text, int frames, Job &job)
{
    const QStringList ends = text.split(QLatin1Char('-'));
    bool ok_a = false, ok_b = false;
    const int a = ends.size() == 2 ? ends[0].toInt(&ok_a) : 0;
    const int b = ends.size() == 2 ? ends[1].toInt(&ok_b) : 0;
    if (!ok_a || !ok_b || a < 0 || b < a || b >= frames)
        return option_error("range",
                            QStringLiteral("must be A-B with 0 <= A <= B < %1").arg(frames));
    job.first = a;
    job.last = b;
    return {};
}

} // namespace

void add_options(QCommandLineParser &parser)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral(
        "Renders a Tenebrion scene without a window: one image, a numbered image sequence, or "
        "part of an animation for a render farm. Options override the scene's values.\n"
        "Exit codes: 0 done; 1 an output file cannot be written (a missing folder, a read-only "
        "file, not a regular file, a full disk) or a frame does not fit in memory, for every "
        "output kind; 2 bad usage (an option or its value, the form of the output name, a scene "
        "or panorama file that cannot be read), nothing written.\n"
        "SIGINT (Ctrl+C) or SIGTERM stops cleanly: the frame being rendered is dropped, "
        "finished images stay, an AVI or MP4 file is closed holding the finished frames, and the "
        "exit "
        "code is 130 or 143. A second signal ends the process at once."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {"scene", "Scene file saved by the window (File → Save scene…).", "FILE"},
        {"preset",
         "Start from a preset: minkowski, schwarzschild, reissner-nordstrom, kerr, "
         "kerr-newman.",
         "NAME"},
        {QStringList{"o", "output"},
         "Output: an image (format by suffix, e.g. view.png), a numbered sequence "
         "(frame_%04d.png), an AVI video of JPEG frames (movie.avi) or an H.264 video "
         "(movie.mp4).",
         "FILE"},
        {"frames", "Frames of the animation along the observer's path (default 1).", "N"},
        {"range",
         "Render only frames A..B (from 0) of the N-frame animation, exactly as a whole "
         "run renders them.",
         "A-B"},
        {"orbital", "Start with the proposed circular-orbit speed (same as --speed orbital)."},
        {"threads", "Worker threads (default: one per processor).", "N"},
        {"simd",
         "Trace rays one at a time (off) or 4 (avx2) or 8 (avx512) at once in vector "
         "registers (default: the widest this processor has, or TENEBRION_SIMD).",
         "off|avx2|avx512"},
        {"quiet", "No progress on standard error."},
    });
    for (Override const &o : overrides) {
        QStringList names{QString::fromUtf8(o.option)};
        if (o.alias)
            names.prepend(QString::fromUtf8(o.alias));
        QString help = QString::fromUtf8(o.help);
        if (ValueRange const *range = value_range(QString::fromUtf8(o.key)))
            help += QStringLiteral(" Valid: %1.").arg(QString::fromUtf8(range->reads));
        parser.addOption({names, help, QString::fromUtf8(o.value_name)});
    }
}

QString job_from(QCommandLineParser const &parser, Job &job)
{
    if (!parser.positionalArguments().isEmpty())
        return QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments()[0]);
    if (parser.isSet("scene") && parser.isSet("preset"))
        return QStringLiteral("--scene and --preset exclude each other");

    QJsonObject scene{{"version", 1}};
    QString base = QDir::currentPath();
    if (parser.isSet("scene")) {
        const QString name = parser.value("scene");
        QByteArray text;
        if (QString e = read_scene_file(name, text); !e.isEmpty())
            return option_error("scene", e);
        SceneSettings ignored;
        QStringList warnings;
        if (QString e = read_scene(text, ignored, warnings); !e.isEmpty())
            return QStringLiteral("%1: %2").arg(name, e);
        scene = QJsonDocument::fromJson(text).object();
        base = QFileInfo(name).absolutePath();
    }
    if (parser.isSet("preset"))
        scene.insert("preset", parser.value("preset"));
    if (parser.isSet("orbital"))
        scene.insert("speed", QStringLiteral("orbital"));
    for (Override const &o : overrides) {
        if (!parser.isSet(o.option))
            continue;
        QJsonValue v;
        if (QString e = json_value(o, parser.value(o.option), v); !e.isEmpty())
            return e;
        scene.insert(QString::fromUtf8(o.key), v);
    }
    if (parser.isSet("frames")) {
        bool ok = false;
        const int n = parser.value("frames").toInt(&ok);
        if (!ok || n < 1)
            return option_error("frames", QStringLiteral("must be a whole number from 1"));
        scene.insert("frames", n);
        scene.insert("animation", n > 1);
    }

    if (QString e = read_scene(QJsonDocument(scene).toJson(), job.settings, job.warnings);
        !e.isEmpty())
        return in_option_terms(e);
    if (!job.settings.panorama.isEmpty() && QFileInfo(job.settings.panorama).isRelative() &&
        !parser.isSet("panorama"))
        job.settings.panorama = QDir(base).absoluteFilePath(job.settings.panorama);

    const int frames = run_frames(job.settings);
    job.first = 0;
    job.last = frames - 1;
    if (parser.isSet("range"))
        if (QString e = read_range(parser.value("range"), frames, job); !e.isEmpty())
            return e;

    if (!parser.isSet("output"))
        return QStringLiteral("-o: an output file is needed");
    job.output = parser.value("output");
    if (parser.isSet("threads")) {
        bool ok = false;
        job.threads = parser.value("threads").toInt(&ok);
        if (!ok || job.threads < 1)
            return option_error("threads", QStringLiteral("must be a whole number from 1"));
    }
    if (parser.isSet("simd")) {
        if (!parse_simd_path(parser.value("simd"), job.simd))
            return option_error("simd", QStringLiteral("must be off, avx2 or avx512"));
        if (!processor_runs(job.simd))
            return option_error("simd",
                                QStringLiteral("this processor lacks %1")
                                    .arg(job.simd == SimdPath::avx512 ? QStringLiteral("AVX-512")
                                                                      : QStringLiteral("AVX2")));
    }
    if (job.settings.fps)
        job.rate = frame_rate_of(field_text(*job.settings.fps));
    job.quiet = parser.isSet("quiet");
    return {};
}
