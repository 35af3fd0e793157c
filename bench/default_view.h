// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The default view of the frame benchmarks: Kerr, M = 1, a = 0.8, the
// observer on a circular orbit at r = 50, θ = 80°, the disk from the
// innermost stable orbit to 12 with `disk` as its texture, accuracy 0.020,
// simulated colours.
#include "expr/presets.h"
#include "physics/frames.h"
#include "physics/orbits.h"
#include "physics/ray_colour.h"
#include "physics/ray_scene.h"

#include <QImage>

#include <numbers>

struct View {
    RayScene scene;
    f_vec x, u;
    PreparedFrame prepared;

    unsigned colour(double α, double β) const { return GetColor(scene, prepared, α, β, x, u); }
};

inline View set_up_default_view(QImage const &disk)
{
    View v;
    RayScene &s = v.scene;
    s.P[0] = 1.0;
    s.P[1] = 0.8;
    s.metric = preset_metric(3, 1.0, 0.0);
    s.horizons = find_horizons(s.metric, false, 50);
    s.P[4] = lim_stab_orb(s.metric, s.horizons, 1);
    s.P[5] = 12;
    s.precise = 0.019999999552965164;
    s.transp = 9;
    s.acr = disk;
    s.kepler = s.simul = true;
    ensure_disk_tables(s);
    v.x = f_vec{{0, 50, 80 * std::numbers::pi / 180, 0}};
    v.u = f_tet(s.metric, four_vt(OrbSpeed(s.metric, v.x, 1)), v.x);
    v.prepared = prepare_frame(s, v.x, v.u, nullptr);
    return v;
}
