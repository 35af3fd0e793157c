// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Scenes for the optics and ray-colour tests: a compiled preset metric with
// its horizons, every render switch off, and images that tell where they
// were read.

#include "expr/presets.h"
#include "physics/frames.h"
#include "physics/orbits.h"
#include "physics/ray_scene.h"
#include "tests/support/load_metric.h"

#include <QImage>
#include <QPoint>

#include <algorithm>
#include <iterator>

// M, a and the disk from 6 to 12, every switch off, accuracy 0.020 as the
// window reads it, the disk weight 1:9.
inline RayScene preset_scene(int index, double M, double a)
{
    RayScene s;
    const double p[6] = {M, a, 0, 1, 6, 12};
    std::copy(std::begin(p), std::end(p), s.P);
    s.metric = preset_metric(index, M, 1).with_parameters(s.P);
    s.horizons = find_horizons(s.metric, presets[index].flat, 0);
    s.transp = 9;
    s.precise = 0.019999999552965164;
    return s;
}

// 4-velocity moving with speed v along φ in the locally non-rotating frame.
inline f_vec moving_along_φ(Metric const &m, f_vec x, double v)
{
    return f_tet(m, four_vt(v), x);
}
inline f_vec on_circular_orbit(Metric const &m, f_vec x)
{
    return moving_along_φ(m, x, OrbSpeed(m, x, 1));
}

inline QImage solid_image(int w, int h, unsigned colour)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(colour);
    return img;
}

// Every pixel tells its own place: 0xff, then column + 1 and row + 1 in 12 bits each.
inline QImage located_image(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, 0xff000000u | unsigned(x + 1) << 12 | unsigned(y + 1));
    return img;
}
// Where a pixel of a located image was read: column and row.
inline QPoint located(unsigned c)
{
    return {int(c >> 12 & 0xfff) - 1, int(c & 0xfff) - 1};
}
