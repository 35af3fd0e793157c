// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/noise.h"

#include <cmath>

namespace
{

std::uint32_t mix(std::uint32_t h)
{
    h ^= h >> 16;
    h *= 0x7feb352dU;
    h ^= h >> 15;
    h *= 0x846ca68bU;
    h ^= h >> 16;
    return h;
}

double smooth(double f)
{
    return f * f * (3.0 - 2.0 * f);
}

} // namespace

double PeriodicNoise::lattice(std::int64_t ix, std::int64_t iy, int period) const
{
    const auto wrapped = static_cast<std::uint32_t>(((ix % period) + period) % period);
    const std::uint32_t h =
        mix(seed_ ^ mix(wrapped * 0x9e3779b9U ^ mix(static_cast<std::uint32_t>(iy))));
    return h / 4294967295.0;
}

double PeriodicNoise::at(double x, double y, int period) const
{
    const double fx = std::floor(x), fy = std::floor(y);
    const auto ix = static_cast<std::int64_t>(fx), iy = static_cast<std::int64_t>(fy);
    const double sx = smooth(x - fx), sy = smooth(y - fy);
    const double top = lattice(ix, iy, period) * (1 - sx) + lattice(ix + 1, iy, period) * sx;
    const double bottom =
        lattice(ix, iy + 1, period) * (1 - sx) + lattice(ix + 1, iy + 1, period) * sx;
    return top * (1 - sy) + bottom * sy;
}

double PeriodicNoise::at(double x, double y) const
{
    return at(x, y, period_x_);
}

double PeriodicNoise::fractal(double x, double y, int octaves) const
{
    double sum = 0, weight = 1, total = 0, scale = 1;
    for (int o = 0; o < octaves; ++o) {
        sum += weight * at(x * scale, y * scale, period_x_ * static_cast<int>(scale));
        total += weight;
        weight *= 0.5;
        scale *= 2;
    }
    return sum / total;
}
