#pragma once

// The default view of the frame benchmarks: Kerr, M = 1, a = 0.8, the
// observer on a circular orbit at r = 50, θ = 80°, the disk from the
// innermost stable orbit to 12 with `disk` as its texture, accuracy 0.020,
// simulated colours.
#include "expr/presets.h"
#include "physics/frames.h"
#include "physics/orbits.h"
#include "physics/ray_colour.h"
#include "render/frame_engine.h"
#include "scene/state.h"

#include <QImage>

#include <numbers>

struct view {
    f_vec x, u;
};

inline view set_up_default_view(QImage const &disk)
{
    P[0] = 1.0;
    P[3] = 0.0;
    compilePreset(3);
    mink = false;
    VnH();
    P[4] = lim_stab_orb(1);
    P[5] = 12;
    precise = 0.019999999552965164;
    transp = 9;
    acr = disk;
    set_render_switches({.kepler = true, .simul = true});
    const f_vec x{{0, 50, 80 * std::numbers::pi / 180, 0}};
    const f_vec u = f_tet(four_vt(OrbSpeed(x, 1)), x);
    prepare_frame(x, u);
    return {x, u};
}
