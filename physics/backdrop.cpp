// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/backdrop.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{

// Truncates v into a valid index of n cells. Clamping in double first keeps
// huge values from overflowing the conversion.
int clamped_cell(double v, int n)
{
    if (std::isnan(v))
        return 0;
    return static_cast<int>(std::clamp(v, 0.0, static_cast<double>(n - 1)));
}

} // namespace

unsigned checker_colour(double θ, double φ)
{
    // Written as "not light" so that a NaN product comes out dark.
    return std::sin(18.0 * θ) * std::cos(18.0 * φ) <= 0 ? sky_light : sky_dark;
}

unsigned panorama_colour(QImage const &img, double θ, double φ)
{
    constexpr double π = std::numbers::pi;
    double θ_w = std::fmod(std::fmod(θ, π) + π, π);
    double φ_w = std::fmod(std::fmod(-φ, 2 * π) + 2 * π, 2 * π);
    // θ_w < π, yet h·θ_w/π can still round up to h.
    int y = clamped_cell(img.height() * θ_w / π, img.height());
    int x = clamped_cell(img.width() * φ_w / (2 * π), img.width());
    return img.pixel(x, y);
}

unsigned sky_colour(QImage const &panorama, double θ, double φ)
{
    if (panorama.isNull())
        return checker_colour(θ, φ);
    return panorama_colour(panorama, θ, φ);
}

int table_slot(double ρ, int n)
{
    return clamped_cell(n * ρ, n);
}

bool disk_texel(QImage const &texture, double ρ, double ψ, unsigned &colour)
{
    if (texture.isNull() || !std::isfinite(ρ) || !std::isfinite(ψ))
        return false;
    int w = texture.width(), h = texture.height();
    int column = clamped_cell(0.5 * w * (ρ * std::sin(ψ) + 1), w);
    int row = clamped_cell(0.5 * h * (ρ * std::cos(ψ) + 1), h);
    colour = texture.pixel(column, row);
    return true;
}
