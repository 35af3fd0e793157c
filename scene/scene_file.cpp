#include "scene/scene_file.h"

#include "expr/formula_check.h"
#include "scene/value_ranges.h"
#include "video/frame_rate.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cmath>
#include <functional>
#include <iterator>
#include <map>

const char *const metric_keys[16] = {"tt", "tr", "te", "tf", "rt", "rr", "re", "rf",
                                     "et", "er", "ee", "ef", "ft", "fr", "fe", "ff"};

namespace
{

constexpr int format_version = 1;
constexpr int most_frames = 100000;
constexpr int largest_side = 16384;

QString quoted(QString const &key)
{
    return QLatin1Char('"') + key + QLatin1Char('"');
}

// Each reader takes one key's value into the settings, or names what is wrong.
using Reader = std::function<QString(QJsonValue const &, SceneSettings &)>;

QString must(QString const &key, QString const &what)
{
    return QStringLiteral("%1 must be %2").arg(quoted(key), what);
}

// A number inside the key's range, or any finite number for a key without one.
Reader number(const char *key, double SceneSettings::*field)
{
    return [=](QJsonValue const &v, SceneSettings &s) -> QString {
        if (!v.isDouble())
            return must(key, QStringLiteral("a number"));
        const double x = v.toDouble();
        if (QString e = range_problem(QString::fromUtf8(key), x); !e.isEmpty())
            return quoted(key) + u' ' + e;
        s.*field = x;
        return {};
    };
}

Reader flag(const char *key, bool SceneSettings::*field)
{
    return [=](QJsonValue const &v, SceneSettings &s) -> QString {
        if (!v.isBool())
            return must(key, QStringLiteral("true or false"));
        s.*field = v.toBool();
        return {};
    };
}

// A number inside the key's range or the word "orbital" for the value the
// program proposes.
Reader or_orbital(const char *key, std::optional<double> SceneSettings::*field)
{
    return [=](QJsonValue const &v, SceneSettings &s) -> QString {
        if (v.isString() && v.toString() == QLatin1String("orbital")) {
            (s.*field).reset();
            return {};
        }
        if (!v.isDouble())
            return must(key, QStringLiteral("a number or \"orbital\""));
        const double x = v.toDouble();
        if (QString e = range_problem(QString::fromUtf8(key), x); !e.isEmpty())
            return quoted(key) + u' ' + e;
        s.*field = x;
        return {};
    };
}

// Frames per second that a video's header can hold.
QString read_fps(QJsonValue const &v, SceneSettings &s)
{
    if (!v.isDouble())
        return must(QStringLiteral("fps"), QStringLiteral("a number"));
    const double x = v.toDouble();
    if (QString e = range_problem(QStringLiteral("fps"), x); !e.isEmpty())
        return quoted(QStringLiteral("fps")) + u' ' + e;
    if (!frame_rate_of(field_text(x)).valid())
        return must(QStringLiteral("fps"), QStringLiteral("a number with at most six decimals"));
    s.fps = x;
    return {};
}

// One of a list of words, stored as its index.
Reader word(const char *key, int SceneSettings::*field, QStringList const &words)
{
    return [=](QJsonValue const &v, SceneSettings &s) -> QString {
        const int i = v.isString() ? int(words.indexOf(v.toString())) : -1;
        if (i < 0)
            return must(key, QStringLiteral("one of ") + words.join(QStringLiteral(", ")));
        s.*field = i;
        return {};
    };
}

Reader integer(const char *key, int SceneSettings::*field, int lo, int hi)
{
    return [=](QJsonValue const &v, SceneSettings &s) -> QString {
        const double x = v.toDouble(std::nan(""));
        if (!v.isDouble() || x != std::floor(x) || x < lo || x > hi)
            return must(key, QStringLiteral("a whole number from %1 to %2").arg(lo).arg(hi));
        s.*field = int(x);
        return {};
    };
}

QString read_size(QJsonValue const &v, SceneSettings &s)
{
    const QStringList parts = v.toString().split(QLatin1Char('x'));
    bool ok_w = false, ok_h = false;
    const int w = parts.size() == 2 ? parts[0].toInt(&ok_w) : 0;
    const int h = parts.size() == 2 ? parts[1].toInt(&ok_h) : 0;
    if (!v.isString() || !ok_w || !ok_h || w < 1 || h < 1 || w > largest_side || h > largest_side)
        return must(QStringLiteral("size"),
                    QStringLiteral("WIDTHxHEIGHT, each from 1 to %1").arg(largest_side));
    s.width = w;
    s.height = h;
    return {};
}

QString read_metric(QJsonValue const &v, SceneSettings &s)
{
    if (!v.isObject())
        return must(QStringLiteral("metric"), QStringLiteral("an object of formula texts"));
    const QJsonObject m = v.toObject();
    SceneSettings taken = s;
    for (auto it = m.begin(); it != m.end(); ++it) {
        const QString key = QStringLiteral("metric.") + it.key();
        int i = 0;
        while (i < 16 && it.key() != QLatin1String(metric_keys[i]))
            ++i;
        if (i == 16)
            return QStringLiteral("%1 is not a metric component (tt, tr, …, ff)").arg(quoted(key));
        if (!it->isString())
            return must(key, QStringLiteral("a formula text"));
        taken.metric[i] = it->toString();
    }
    std::copy(std::begin(taken.metric), std::end(taken.metric), s.metric);
    return {};
}

// Every formula, from the file or its preset, passes the editor's check with
// the file's parameters; the message names the key and the character.
QString metric_problem(SceneSettings const &s)
{
    const double P[4] = {s.M, s.a, s.Q, s.Λ};
    for (int i = 0; i < 16; ++i)
        if (const auto problem = formula_problem_of(s.metric[i], P))
            return quoted(QStringLiteral("metric.") + QLatin1String(metric_keys[i])) +
                   QStringLiteral(": ") + describe(*problem);
    return {};
}

QString read_panorama(QJsonValue const &v, SceneSettings &s)
{
    if (!v.isString())
        return must(QStringLiteral("panorama"), QStringLiteral("a file name"));
    s.panorama = v.toString();
    return {};
}

QStringList words(const char *const *list, int n)
{
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << QString::fromUtf8(list[i]);
    return out;
}

const std::map<QString, Reader> &readers()
{
    static const std::map<QString, Reader> table = {
        {"preset", word("preset", &SceneSettings::preset, words(preset_keys, 5))},
        {"metric", read_metric},
        {"M", number("M", &SceneSettings::M)},
        {"a", number("a", &SceneSettings::a)},
        {"Q", number("Q", &SceneSettings::Q)},
        {"lambda", number("lambda", &SceneSettings::Λ)},
        {"disk", flag("disk", &SceneSettings::disk)},
        {"disk inner", or_orbital("disk inner", &SceneSettings::inner)},
        {"disk outer", number("disk outer", &SceneSettings::outer)},
        {"transparency",
         word("transparency", &SceneSettings::transparency, words(transparency_names, 5))},
        {"accuracy", number("accuracy", &SceneSettings::accuracy)},
        {"accurate integration", flag("accurate integration", &SceneSettings::accurate)},
        {"r", number("r", &SceneSettings::r)},
        {"theta", number("theta", &SceneSettings::θ)},
        {"phi", number("phi", &SceneSettings::φ)},
        {"speed", or_orbital("speed", &SceneSettings::v)},
        {"rounds", number("rounds", &SceneSettings::rounds)},
        {"shift", flag("shift", &SceneSettings::shift)},
        {"beaming", flag("beaming", &SceneSettings::beaming)},
        {"aberration", flag("aberration", &SceneSettings::aberration)},
        {"overlay", flag("overlay", &SceneSettings::overlay)},
        {"colour model",
         [](QJsonValue const &v, SceneSettings &s) -> QString {
             if (v.isString() && v.toString() == QLatin1String("simulated"))
                 s.simulated = true;
             else if (v.isString() && v.toString() == QLatin1String("classic"))
                 s.simulated = false;
             else
                 return must(QStringLiteral("colour model"),
                             QStringLiteral("\"simulated\" or \"classic\""));
             return {};
         }},
        {"zoom", integer("zoom", &SceneSettings::zoom, 1, 6)},
        {"size", read_size},
        {"frames", integer("frames", &SceneSettings::frames, 1, most_frames)},
        {"animation", flag("animation", &SceneSettings::animation)},
        {"panorama", read_panorama},
        {"fps", read_fps},
        {"video format", word("video format", &SceneSettings::video_format,
                              words(video_format_names, int(std::size(video_format_names))))},
    };
    return table;
}

} // namespace

QString read_scene(QByteArray const &text, SceneSettings &out, QStringList &warnings)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (doc.isNull())
        return QStringLiteral("not a scene file: %1 at byte %2")
            .arg(error.errorString())
            .arg(error.offset);
    if (!doc.isObject())
        return QStringLiteral("not a scene file: the top level must be an object");
    const QJsonObject root = doc.object();
    const QJsonValue version = root.value(QLatin1String("version"));
    if (!version.isDouble() || version.toDouble() != format_version)
        return must(QStringLiteral("version"), QStringLiteral("%1").arg(format_version));

    SceneSettings s;
    // The preset decides the default texts of the components the file leaves out.
    if (root.contains(QLatin1String("preset"))) {
        if (QString e = readers().at(QStringLiteral("preset"))(root.value("preset"), s);
            !e.isEmpty())
            return e;
        s = SceneSettings::of_preset(s.preset);
    }
    for (auto it = root.begin(); it != root.end(); ++it) {
        if (it.key() == QLatin1String("version"))
            continue;
        const auto reader = readers().find(it.key());
        if (reader == readers().end()) {
            warnings << QStringLiteral("unknown key %1 ignored").arg(quoted(it.key()));
            continue;
        }
        if (QString e = reader->second(*it, s); !e.isEmpty())
            return e;
    }
    if (QString e = metric_problem(s); !e.isEmpty())
        return e;
    out = s;
    return {};
}

QByteArray write_scene(SceneSettings const &s)
{
    QJsonObject metric;
    for (int i = 0; i < 16; ++i)
        metric.insert(QLatin1String(metric_keys[i]), s.metric[i]);
    auto orbital = [](std::optional<double> v) {
        return v ? QJsonValue(*v) : QJsonValue(QStringLiteral("orbital"));
    };
    QJsonObject root{
        {"version", format_version},
        {"preset", QString::fromUtf8(preset_keys[s.preset])},
        {"metric", metric},
        {"M", s.M},
        {"a", s.a},
        {"Q", s.Q},
        {"lambda", s.Λ},
        {"disk", s.disk},
        {"disk inner", orbital(s.inner)},
        {"disk outer", s.outer},
        {"transparency", QString::fromUtf8(transparency_names[s.transparency])},
        {"accuracy", s.accuracy},
        {"accurate integration", s.accurate},
        {"r", s.r},
        {"theta", s.θ},
        {"phi", s.φ},
        {"speed", orbital(s.v)},
        {"rounds", s.rounds},
        {"shift", s.shift},
        {"beaming", s.beaming},
        {"colour model", s.simulated ? QStringLiteral("simulated") : QStringLiteral("classic")},
        {"aberration", s.aberration},
        {"overlay", s.overlay},
        {"zoom", s.zoom},
        {"size", QStringLiteral("%1x%2").arg(s.width).arg(s.height)},
        {"frames", s.frames},
        {"animation", s.animation},
        {"panorama", s.panorama},
        {"video format", QString::fromUtf8(video_format_names[s.video_format])},
    };
    if (s.fps)
        root.insert(QLatin1String("fps"), *s.fps);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}
