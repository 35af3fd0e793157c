// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// Smooth deterministic value noise, periodic along x so that it can be laid
// around a circle without a seam. Same inputs give the same value everywhere.
class PeriodicNoise
{
  public:
    PeriodicNoise(std::uint32_t seed, int period_x) : seed_(seed), period_x_(period_x) {}

    // Value in [0, 1] at (x, y); x wraps with the period given at construction.
    double at(double x, double y) const;

    // Sum of octaves, each twice as fine and half as strong; the x period
    // doubles with the frequency so every octave still closes the circle.
    double fractal(double x, double y, int octaves) const;

  private:
    double lattice(std::int64_t ix, std::int64_t iy, int period) const;
    double at(double x, double y, int period) const;

    std::uint32_t seed_;
    int period_x_;
};
