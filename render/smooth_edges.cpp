// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/smooth_edges.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace
{

double decode(int channel)
{
    const double v = channel / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

// Read on the workers: filled once, before any frame runs.
const std::array<double, 256> linear_table = [] {
    std::array<double, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[c] = decode(c);
    return table;
}();

int channel(unsigned int colour, int shift)
{
    return static_cast<int>((colour >> shift) & 0xffu);
}

} // namespace

bool is_smooth_choice(int samples)
{
    return std::find(std::begin(smooth_choices), std::end(smooth_choices), samples) !=
           std::end(smooth_choices);
}

bool differ(unsigned int a, unsigned int b)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(channel(a, shift) - channel(b, shift)) > edge_threshold)
            return true;
    return false;
}

SubpixelOffset subpixel_offset(int n, int k)
{
    const int i = k % n, j = k / n;
    return {(i + (j + 0.5) / n) / n - 0.5, (j + (i + 0.5) / n) / n - 0.5};
}

unsigned first_rays(int n, unsigned differing)
{
    unsigned rays = 0;
    for (int k = 0; k < n * n; ++k) {
        const int i = k % n, j = k / n;
        for (int dj = -1; dj <= 1; ++dj)
            for (int di = -1; di <= 1; ++di) {
                const bool faces = (di == 0 || i == (di < 0 ? 0 : n - 1)) &&
                                   (dj == 0 || j == (dj < 0 ? 0 : n - 1));
                if (faces && (differing >> ((dj + 1) * 3 + (di + 1)) & 1u))
                    rays |= 1u << k;
            }
    }
    return rays;
}

double linear_of(int channel)
{
    return linear_table[static_cast<std::size_t>(std::clamp(channel, 0, 255))];
}

int channel_of(double linear)
{
    const double l = std::clamp(linear, 0.0, 1.0);
    const double v = l <= 0.0031308 ? 12.92 * l : 1.055 * std::pow(l, 1 / 2.4) - 0.055;
    return static_cast<int>(std::lround(255.0 * v));
}

unsigned int linear_mean(unsigned int const *colours, int count)
{
    double sum[3] = {};
    long alpha = 0;
    for (int k = 0; k < count; ++k) {
        for (int c = 0; c < 3; ++c)
            sum[c] += linear_table[channel(colours[k], 8 * c)];
        alpha += channel(colours[k], 24);
    }
    unsigned int out = static_cast<unsigned int>((alpha + count / 2) / count) << 24;
    for (int c = 0; c < 3; ++c)
        out |= static_cast<unsigned int>(channel_of(sum[c] / count)) << (8 * c);
    return out;
}
