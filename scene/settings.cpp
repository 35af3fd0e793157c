// SPDX-License-Identifier: GPL-3.0-or-later
#include "scene/settings.h"

#include "expr/compiled.h"
#include "expr/postfix.h"
#include "expr/presets.h"
#include "physics/orbits.h"
#include "scene/scene.h"

#include <QLocale>

#include <algorithm>
#include <numbers>

SceneSettings::SceneSettings()
{
    for (int i = 0; i < 16; ++i)
        metric[i] = QString::fromUtf8(presets[preset].g[i]);
}

SceneSettings SceneSettings::of_preset(int index)
{
    SceneSettings s;
    s.preset = index;
    for (int i = 0; i < 16; ++i)
        s.metric[i] = QString::fromUtf8(presets[index].g[i]);
    s.a = QString::fromUtf8(presets[index].a).toDouble();
    s.Q = QString::fromUtf8(presets[index].Q).toDouble();
    return s;
}

int run_frames(SceneSettings const &s)
{
    return s.animation ? s.frames : 1;
}

QString field_text(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

namespace
{
// A number typed into a field that the window reads in single precision.
double as_float(double v)
{
    return field_text(v).toFloat();
}

// What a spin box keeps of a value: its range and its decimals.
double spin_value(double v, double lo, double hi, int decimals)
{
    return QString::number(std::clamp(v, lo, hi), 'f', decimals).toDouble();
}
} // namespace

double proposed_speed(Scene const &s, double r, double θ_degrees)
{
    if (s.mink)
        return 0;
    const f_vec x{{0, as_float(r), as_float(θ_degrees) * std::numbers::pi / 180, 0}};
    const double shown = QString::number(OrbSpeed(s.metric, x, 1), 'g', 6).toDouble();
    return spin_value(shown, -0.999999, 0.999999, 6);
}

// The order of the window's pipeline: the metric with its parameters, the
// horizons as the observer sees them, the inner edge, then what the radius
// fields and the speed proposal add.
Scene build_scene(SceneSettings const &in)
{
    Scene s;
    std::copy(std::begin(in.metric), std::end(in.metric), s.metric_texts);
    s.mink = presets[in.preset].flat;
    s.P[0] = in.M;
    s.P[1] = in.a;
    s.P[2] = in.Q;
    s.P[3] = in.Λ;
    s.P[5] = in.outer;
    s.precise = as_float(in.accuracy);
    // Without a stable orbit the edge stays where the window's pipeline
    // starts it.
    settle_metric(s, as_float(in.r), as_float(in.θ) * std::numbers::pi / 180, 1.0);
    if (in.inner && *in.inner != s.P[4])
        s.P[4] = as_float(*in.inner);
    s.poc_sour_poz = {{0, as_float(in.r), as_float(in.θ) * std::numbers::pi / 180, 0}};

    s.kepler = in.disk;
    s.transp = transparency_weights[in.transparency];
    s.shift = in.shift;
    s.beam = in.beaming;
    s.simul = in.simulated;
    s.el_ab = in.aberration;
    s.accurate = in.accurate;
    s.sour = in.overlay;
    s.smooth = in.smooth_edges;

    s.start_r = as_float(in.r);
    s.start_θ = as_float(in.θ);
    s.start_φ = in.φ;
    s.start_v =
        as_float(in.v ? spin_value(*in.v, -0.999999, 0.999999, 6) : proposed_speed(s, in.r, in.θ));
    s.rounds = spin_value(in.rounds, 0.1, 10.0, 2);
    s.zoom = in.zoom;
    s.width = in.width;
    s.height = in.height;
    s.frames = run_frames(in);
    return s;
}
