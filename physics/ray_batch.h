// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "physics/f_vec.h"

#include <QString>

struct RayScene;
struct PreparedFrame;

// A point of the image plane; (0, 0) is the centre of the view.
struct ImagePoint {
    double α = 0, β = 0;
};

// colours[i] = GetColor(s, prepared, points[i].α, points[i].β, x_obs, u_obs)
// for i < count, the rays traced in packets on the scene's SIMD path where
// it can be taken (a metric with generated code, on a processor that has
// the path; either integration). Each ray is traced on its own
// lane as it would be alone, so its colour never depends on the batch it
// came in, the lane it took or the thread that ran it. Returns how many of
// the rays could not be traced (see untraced in physics/ray_colour.h).
int get_colours(RayScene const &s, PreparedFrame const &prepared, ImagePoint const *points,
                int count, unsigned *colours, f_vec x_obs, f_vec u_obs);

// How the rays of this scene are traced, in words for the settings.
QString tracing_path_text(RayScene const &s);
