// SPDX-License-Identifier: GPL-3.0-or-later
#include "scene/scene_file.h"

#include "expr/formula_check.h"
#include "expr/metric.h"
#include "physics/frames.h"
#include "physics/spacetime_check.h"
#include "render/smooth_edges.h"
#include "scene/value_ranges.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <functional>
#include <iterator>
#include <numbers>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

QString must(QString const &key, QString const &what)
{
    return QStringLiteral("%1 must be %2").arg(quoted(key), what);
}

// One key of the file: how its value goes into the settings (or what is
// wrong with it) and how the settings give it back.
struct Key {
    QString name;
    std::function<QString(QJsonValue const &, SceneSettings &)> read;
    std::function<QJsonValue(SceneSettings const &)> write;
};

template <class T> auto member(T SceneSettings::*field)
{
    return [field](SceneSettings const &s) { return QJsonValue(s.*field); };
}

// A number inside the key's range, or any finite number for a key without one.
Key number(const char *key, double SceneSettings::*field)
{
    auto read = [=](QJsonValue const &v, SceneSettings &s) -> QString {
        if (!v.isDouble())
            return must(key, QStringLiteral("a number"));
        const double x = v.toDouble();
        if (QString e = range_problem(QString::fromUtf8(key), x); !e.isEmpty())
            return quoted(key) + u' ' + e;
        s.*field = x;
        return {};
    };
    return {key, read, member(field)};
}

Key flag(const char *key, bool SceneSettings::*field)
{
    auto read = [=](QJsonValue const &v, SceneSettings &s) -> QString {
        if (!v.isBool())
            return must(key, QStringLiteral("true or false"));
        s.*field = v.toBool();
        return {};
    };
    return {key, read, member(field)};
}

// A number inside the key's range or the word "orbital" for the value the
// program proposes.
Key or_orbital(const char *key, std::optional<double> SceneSettings::*field)
{
    auto read = [=](QJsonValue const &v, SceneSettings &s) -> QString {
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
    auto write = [field](SceneSettings const &s) {
        const std::optional<double> v = s.*field;
        return v ? QJsonValue(*v) : QJsonValue(QStringLiteral("orbital"));
    };
    return {key, read, write};
}

// Rays per refined edge pixel: one of the choices the window offers.
Key smooth_edges()
{
    auto read = [](QJsonValue const &v, SceneSettings &s) -> QString {
        if (!v.isDouble() || v.toDouble() != v.toInt() || !is_smooth_choice(v.toInt()))
            return must(QStringLiteral("smooth edges"), QStringLiteral("1, 4 or 16"));
        s.smooth_edges = v.toInt();
        return {};
    };
    return {QStringLiteral("smooth edges"), read, member(&SceneSettings::smooth_edges)};
}

// Frames per second that a video's header can hold; left out when none is set.
Key fps()
{
    auto read = [](QJsonValue const &v, SceneSettings &s) -> QString {
        if (!v.isDouble())
            return must(QStringLiteral("fps"), QStringLiteral("a number"));
        const double x = v.toDouble();
        if (QString e = range_problem(QStringLiteral("fps"), x); !e.isEmpty())
            return quoted(QStringLiteral("fps")) + u' ' + e;
        s.fps = x;
        return {};
    };
    auto write = [](SceneSettings const &s) {
        return s.fps ? QJsonValue(*s.fps) : QJsonValue(QJsonValue::Undefined);
    };
    return {QStringLiteral("fps"), read, write};
}

// One of a list of words, stored as its index.
Key word(const char *key, int SceneSettings::*field, QStringList const &words)
{
    auto read = [=](QJsonValue const &v, SceneSettings &s) -> QString {
        const int i = v.isString() ? int(words.indexOf(v.toString())) : -1;
        if (i < 0)
            return must(key, QStringLiteral("one of ") + words.join(QStringLiteral(", ")));
        s.*field = i;
        return {};
    };
    auto write = [=](SceneSettings const &s) { return QJsonValue(words[s.*field]); };
    return {key, read, write};
}

// One of two words for a flag.
Key either(const char *key, bool SceneSettings::*field, QString const &yes, QString const &no)
{
    auto read = [=](QJsonValue const &v, SceneSettings &s) -> QString {
        if (v.isString() && v.toString() == yes)
            s.*field = true;
        else if (v.isString() && v.toString() == no)
            s.*field = false;
        else
            return must(key, QStringLiteral("%1 or %2").arg(quoted(yes), quoted(no)));
        return {};
    };
    auto write = [=](SceneSettings const &s) { return QJsonValue(s.*field ? yes : no); };
    return {key, read, write};
}

Key integer(const char *key, int SceneSettings::*field, int lo, int hi)
{
    auto read = [=](QJsonValue const &v, SceneSettings &s) -> QString {
        const double x = v.toDouble(std::nan(""));
        if (!v.isDouble() || x != std::floor(x) || x < lo || x > hi)
            return must(key, QStringLiteral("a whole number from %1 to %2").arg(lo).arg(hi));
        s.*field = int(x);
        return {};
    };
    return {key, read, member(field)};
}

Key text(const char *key, QString SceneSettings::*field, QString const &what)
{
    auto read = [=](QJsonValue const &v, SceneSettings &s) -> QString {
        if (!v.isString())
            return must(key, what);
        s.*field = v.toString();
        return {};
    };
    return {key, read, member(field)};
}

[[nodiscard]] QString read_size(QJsonValue const &v, SceneSettings &s)
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

QJsonValue write_size(SceneSettings const &s)
{
    return QStringLiteral("%1x%2").arg(s.width).arg(s.height);
}

[[nodiscard]] QString read_metric(QJsonValue const &v, SceneSettings &s)
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

QJsonValue write_metric(SceneSettings const &s)
{
    QJsonObject metric;
    for (int i = 0; i < 16; ++i)
        metric.insert(QLatin1String(metric_keys[i]), s.metric[i]);
    return metric;
}

// Every formula, from the file or its preset, passes the editor's check with
// the file's parameters; the message names the key and the character. The
// metric they make is a spacetime where the observer starts (whether the
// observer can stand there is the start's own check).
[[nodiscard]] QString metric_problem(SceneSettings const &s)
{
    const double P[4] = {s.M, s.a, s.Q, s.Λ};
    for (int i = 0; i < 16; ++i)
        if (const auto problem = formula_problem_of(s.metric[i], P))
            return quoted(QStringLiteral("metric.") + QLatin1String(metric_keys[i])) +
                   QStringLiteral(": ") + describe(*problem);
    const Metric m = Metric::compile(s.metric, P, MetricEvaluation::byte_code);
    const f_vec start{{0, s.r, off_axis(s.θ * std::numbers::pi / 180), 0}};
    if (const SpacetimeFault fault = spacetime_fault(m, start);
        !fault.message.isEmpty() && !fault.of_observer)
        return quoted(QStringLiteral("metric")) + QStringLiteral(": ") + fault.message;
    return {};
}

QStringList words(const char *const *list, int n);

// A file holds all sixteen formulas; naming a preset whose formulas they are
// not would claim a metric the file does not describe, so it names none.
Key preset()
{
    Key k = word("preset", &SceneSettings::preset, words(preset_keys, 5));
    k.write = [named = k.write](SceneSettings const &s) {
        const SceneSettings plain = SceneSettings::of_preset(s.preset);
        return std::equal(std::begin(s.metric), std::end(s.metric), std::begin(plain.metric))
                   ? named(s)
                   : QJsonValue(QJsonValue::Undefined);
    };
    return k;
}

QStringList words(const char *const *list, int n)
{
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << QString::fromUtf8(list[i]);
    return out;
}

// Every key but "version", each read and written by its own entry; a key
// whose writer gives nothing is left out of the file.
const std::vector<Key> &keys()
{
    static const std::vector<Key> table = {
        preset(),
        {QStringLiteral("metric"), read_metric, write_metric},
        number("M", &SceneSettings::M),
        number("a", &SceneSettings::a),
        number("Q", &SceneSettings::Q),
        number("lambda", &SceneSettings::Λ),
        flag("disk", &SceneSettings::disk),
        or_orbital("disk inner", &SceneSettings::inner),
        number("disk outer", &SceneSettings::outer),
        word("transparency", &SceneSettings::transparency, words(transparency_names, 5)),
        number("accuracy", &SceneSettings::accuracy),
        flag("accurate integration", &SceneSettings::accurate),
        number("r", &SceneSettings::r),
        number("theta", &SceneSettings::θ),
        number("phi", &SceneSettings::φ),
        or_orbital("speed", &SceneSettings::v),
        number("rounds", &SceneSettings::rounds),
        flag("shift", &SceneSettings::shift),
        flag("beaming", &SceneSettings::beaming),
        flag("aberration", &SceneSettings::aberration),
        flag("overlay", &SceneSettings::overlay),
        either("colour model", &SceneSettings::simulated, QStringLiteral("simulated"),
               QStringLiteral("classic")),
        integer("zoom", &SceneSettings::zoom, 1, 6),
        smooth_edges(),
        {QStringLiteral("size"), read_size, write_size},
        integer("frames", &SceneSettings::frames, 1, most_frames),
        flag("animation", &SceneSettings::animation),
        flag("live view", &SceneSettings::live),
        text("panorama", &SceneSettings::panorama, QStringLiteral("a file name")),
        fps(),
        word("video format", &SceneSettings::video_format,
             words(video_format_names, int(std::size(video_format_names)))),
    };
    return table;
}

const Key *key_named(QString const &name)
{
    for (const Key &k : keys())
        if (k.name == name)
            return &k;
    return nullptr;
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
        if (QString e = key_named(QStringLiteral("preset"))->read(root.value("preset"), s);
            !e.isEmpty())
            return e;
        s = SceneSettings::of_preset(s.preset);
    }
    for (auto it = root.begin(); it != root.end(); ++it) {
        if (it.key() == QLatin1String("version"))
            continue;
        const Key *key = key_named(it.key());
        if (!key) {
            warnings << QStringLiteral("unknown key %1 ignored").arg(quoted(it.key()));
            continue;
        }
        if (QString e = key->read(*it, s); !e.isEmpty())
            return e;
    }
    if (QString e = metric_problem(s); !e.isEmpty())
        return e;
    out = s;
    return {};
}

QByteArray write_scene(SceneSettings const &s)
{
    QJsonObject root{{"version", format_version}};
    for (const Key &key : keys())
        if (const QJsonValue v = key.write(s); !v.isUndefined())
            root.insert(key.name, v);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

namespace
{

// Up to `limit` + 1 bytes, so that a file that grew past the limit shows.
QString read_at_most(int handle, qint64 limit, QByteArray &text)
{
    text.resize(limit + 1);
    qint64 got = 0;
    while (got <= limit) {
        const ssize_t n = ::read(handle, text.data() + got, std::size_t(limit + 1 - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return QString::fromLocal8Bit(std::strerror(errno));
        if (n == 0)
            break;
        got += n;
    }
    text.resize(got);
    return {};
}

} // namespace

QString read_scene_file(QString const &name, QByteArray &text)
{
    const auto cannot = [&](QString const &why) {
        return QStringLiteral("cannot read %1: %2").arg(name, why);
    };
    // Without O_NONBLOCK, opening a fifo would wait for a writer.
    const int handle =
        ::open(QFile::encodeName(name).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (handle < 0)
        return cannot(QString::fromLocal8Bit(std::strerror(errno)));
    struct stat file {
    };
    QString why;
    if (::fstat(handle, &file) != 0)
        why = QString::fromLocal8Bit(std::strerror(errno));
    else if (!S_ISREG(file.st_mode))
        why = QStringLiteral("not a regular file");
    else
        why = read_at_most(handle, largest_scene_file, text);
    ::close(handle);
    if (why.isEmpty() && text.size() > largest_scene_file)
        why = QStringLiteral("longer than %1 KiB, which no scene file is")
                  .arg(largest_scene_file / 1024);
    return why.isEmpty() ? why : cannot(why);
}
