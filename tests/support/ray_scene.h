#pragma once

// Scenes for the optics and ray-colour tests: a compiled metric, its horizons
// and the render switches in a known state.

#include "app/state.h"
#include "expr/inverse_metric.h"
#include "expr/postfix.h"
#include "expr/presets.h"
#include "physics/frames.h"
#include "physics/orbits.h"

#include <QImage>

#include <algorithm>

// Compiles one of the window's ready-made metrics into t.
inline void compile_preset(metric_preset const &preset)
{
    QString g[4][4];
    for (int i = 0; i < 16; ++i)
        g[i / 4][i % 4] = ToPfx(QString::fromUtf8(preset.g[i]));
    kontr_g(g);
}

inline void reset_switches()
{
    el_ab = kepler = shift = beam = simul = false;
    stop = false;
    transp = 9;
    precise = 0.019999999552965164;
    b_gnd = QImage();
    acr = QImage();
}

inline void use_flat_space()
{
    reset_switches();
    mink = true;
    compile_preset(presets[0]);
    double p[6] = {1, 0, 0, 1, 1, 12};
    std::copy(p, p + 6, P);
    VnH();
}

inline void use_kerr(double M, double a)
{
    reset_switches();
    mink = false;
    compile_preset(presets[3]);
    double p[6] = {M, a, 0, 1, 6, 12};
    std::copy(p, p + 6, P);
    VnH();
}

// 4-velocity moving with speed v along φ in the locally non-rotating frame.
inline f_vec moving_along_φ(f_vec x, double v)
{
    return f_tet(four_vt(v), x);
}

inline f_vec on_circular_orbit(f_vec x)
{
    return moving_along_φ(x, OrbSpeed(x, 1));
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
inline int located_column(unsigned c)
{
    return int(c >> 12 & 0xfff) - 1;
}
inline int located_row(unsigned c)
{
    return int(c & 0xfff) - 1;
}
