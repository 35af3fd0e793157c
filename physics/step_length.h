#pragma once

// The default integration's step length and axis zone alone, a leaf header,
// so that the generated packet step takes the very steps of the one-ray
// trace; the packet code repeats these formulas and is checked against them
// when it is made.
#include <cmath>

// Long steps far out, short ones near the horizon and towards the axis.
inline double step_length_at(double r, double r_hor, double p, double distance_from_axis)
{
    double const d = ((r_hor - r) * p) * distance_from_axis - 10;
    return std::fmax(p / 50, 100 / d + 10);
}

// Near the polar axis θ and φ are polar coordinates around it: the connection
// grows like cot θ and φ swings by π as a ray passes. Within this distance of
// the axis (sin θ, about 6°) a step advances the whole state to fourth order
// with the connection taken afresh at every stage, and its length is set by
// how far the ray is from the axis rather than by the ordinary rule, whose
// steps shrink with sin θ regardless of where the ray is heading. Farther out
// nothing changes.
constexpr double axis_zone = 0.1;
