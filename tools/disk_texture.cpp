// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/disk_texture.h"

#include "tools/noise.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{

struct Rgb {
    double r, g, b;
};

Rgb blend(Rgb a, Rgb b, double f)
{
    return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f};
}

// Colour of the gas from the hot inner edge (s = 0) to the cool outer edge
// (s = 1): white-yellow, yellow, orange, red.
Rgb heat_colour(double s)
{
    static const Rgb stops[] = {{255, 252, 238}, {255, 236, 170}, {255, 196, 92},
                                {240, 128, 40},  {196, 60, 18},   {120, 22, 8}};
    constexpr int last = std::size(stops) - 1;
    const double x = std::clamp(std::pow(s, 0.8), 0.0, 1.0) * last;
    const int i = std::min(static_cast<int>(x), last - 1);
    return blend(stops[i], stops[i + 1], x - i);
}

// Rings of denser and thinner gas: a few regular bands with an irregular
// modulation so that no two rings look alike.
double band_brightness(double s, const PeriodicNoise &rings)
{
    const double regular =
        0.5 + 0.5 * std::sin(2 * std::numbers::pi * (11 * s + 0.6 * std::sin(5 * s)));
    const double fine = 0.5 + 0.5 * std::sin(2 * std::numbers::pi * 37 * s);
    const double irregular = rings.fractal(0.5, s * 48, 4);
    return 0.55 + 0.25 * regular + 0.08 * fine + 0.35 * (irregular - 0.5);
}

// Turbulent streaks stretched along the orbit and slightly wound into a
// spiral, as differential rotation would shear them.
double turbulence(double angle_fraction, double s, const PeriodicNoise &gas)
{
    const double wound = angle_fraction + 0.12 * std::log(s + 0.05);
    return gas.fractal(wound * 24, s * 40, 5);
}

unsigned char channel(double v)
{
    return static_cast<unsigned char>(std::clamp(std::lround(v), 0L, 255L));
}

} // namespace

QImage disk_texture(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const PeriodicNoise rings(0x51a7u, 1), gas(0xd15cu, 24);
    const double half = size / 2.0;
    // Pixel centres up to half a diagonal beyond the circle can still be hit
    // by the renderer's truncating lookup, so they belong to the disk too.
    const double opaque_radius = half + std::numbers::sqrt2 / 2;
    for (int y = 0; y < size; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size; ++x) {
            const double dx = x + 0.5 - half, dy = y + 0.5 - half;
            const double d = std::hypot(dx, dy);
            if (d > opaque_radius)
                continue;
            const double s = std::min(d / half, 1.0);
            const double angle = std::atan2(dy, dx) / (2 * std::numbers::pi) + 0.5;
            const double light =
                band_brightness(s, rings) * (0.7 + 0.6 * turbulence(angle, s, gas));
            // Thinner gas is cooler: dim streaks shift towards red instead of grey.
            const Rgb c = heat_colour(std::min(s + 0.18 * std::max(1 - light, 0.0), 1.0));
            const double k = light * (1.3 - 0.4 * s) * (1 + 0.6 * std::exp(-s * 30));
            row[x] = qRgba(channel(c.r * k), channel(c.g * k), channel(c.b * k), 255);
        }
    }
    return image;
}
