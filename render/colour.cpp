// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/colour.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace
{

constexpr unsigned int alpha_mask = 0xff000000u;

int channel(unsigned int c, int shift)
{
    return static_cast<int>((c >> shift) & 0xffu);
}

unsigned int pack(unsigned int alpha_of, int r, int g, int b)
{
    return (alpha_of & alpha_mask) | static_cast<unsigned int>(r) << 16 |
           static_cast<unsigned int>(g) << 8 | static_cast<unsigned int>(b);
}

// Truncating conversion of a channel value that cannot be undefined: values
// outside 0..255 (and NaN) are clamped before the double becomes an int.
int to_channel(double v)
{
    if (!(v > 0.0))
        return 0;
    if (v >= 255.0)
        return 255;
    return static_cast<int>(v);
}

double hsl_component(double p, double q, double t)
{
    if (t < 0.0)
        t += 1.0;
    if (t > 1.0)
        t -= 1.0;
    if (t < 1.0 / 6.0)
        return p + (q - p) * 6.0 * t;
    if (t < 1.0 / 2.0)
        return q;
    if (t < 2.0 / 3.0)
        return p + (q - p) * (2.0 / 3.0 - t) * 6.0;
    return p;
}

// Repeated additions keep the rounding of small shifts as they always were;
// a huge shift would make them loop for ever (h + 360 == h), so it is first
// brought near the circle exactly.
double wrap_hue(double h)
{
    constexpr double far = 360.0 * 64.0;
    if (std::fabs(h) > far)
        h = std::fmod(h, 360.0);
    while (h < 0.0)
        h += 360.0;
    while (h >= 360.0)
        h -= 360.0;
    return h;
}

unsigned int rotate_hue(unsigned int c, double x)
{
    double H, S, L;
    RGBtoHSL(channel(c, 16), channel(c, 8), channel(c, 0), H, S, L);
    int r, g, b;
    HSLtoRGB(wrap_hue(H - 180.0 * x), S, L, r, g, b);
    return pack(c, r, g, b);
}

// For |t| < 1 every sample stays below 1000 in magnitude, so the truncations
// below are always defined.
unsigned int resample_spectrum(unsigned int c, double x)
{
    const int R = channel(c, 16), G = channel(c, 8), B = channel(c, 0);
    const double t = std::tanh(x);
    const int r = static_cast<int>(l_pol(1.0 + 2.0 * t, R, G, B) * (1.0 + 2.0 * t));
    const int g = static_cast<int>(l_pol(2.0 + 2.0 * t, R, G, B));
    const int b = static_cast<int>(l_pol(3.0 + 2.0 * t, R, G, B) * (1.0 - 2.0 * t));
    auto mix = [](int sample, int input) { return std::clamp((5 * sample + input) / 6, 0, 255); };
    return pack(c, mix(r, R), mix(g, G), mix(b, B));
}

} // namespace

void RGBtoHSL(int R, int G, int B, double &H, double &S, double &L)
{
    const double r = R / 255.0, g = G / 255.0, b = B / 255.0;
    const double max = std::fmax(std::fmax(r, g), b);
    const double min = std::fmin(std::fmin(r, g), b);
    L = (max + min) * 0.5;
    if (max == min) {
        S = 0.0;
        H = 0.0;
        return;
    }
    const double d = max - min;
    S = L > 0.5 ? d / (2.0 - max - min) : d / (max + min);
    if (r == max)
        H = 60.0 * std::fmod((g - b) / d, 6.0);
    else if (g == max)
        H = 60.0 * ((b - r) / d + 2.0);
    else
        H = 60.0 * ((r - g) / d + 4.0);
    if (H < 0.0)
        H += 360.0;
}

void HSLtoRGB(double H, double S, double L, int &R, int &G, int &B)
{
    if (S == 0.0) {
        R = G = B = to_channel(L * 255.0);
        return;
    }
    const double q = L < 0.5 ? L * (1.0 + S) : L + S - L * S;
    const double p = 2.0 * L - q;
    const double h = H / 360.0;
    R = to_channel(255.0 * hsl_component(p, q, h + 1.0 / 3.0));
    G = to_channel(255.0 * hsl_component(p, q, h));
    B = to_channel(255.0 * hsl_component(p, q, h - 1.0 / 3.0));
}

double l_pol(double s, int R, int G, int B)
{
    // Left to right: at s = 1, 2, 3 every partial product is an exact integer,
    // so the channel comes back unchanged and an unshifted colour stays put.
    const double red = 5 * R, green = 6 * G, blue = 5 * B;
    return ((red * (s - 2.0) - green * (s - 1.0)) * (s - 3.0) + blue * (s - 2.0) * (s - 1.0)) *
           (s - 7.0) * (s - 6.0) * (s - 5.0) * (s - 4.0) * s * (s + 1.0) * (s + 2.0) * (s + 3.0) /
           86400.0;
}

unsigned int sh_col(unsigned int c, double x, bool simul)
{
    if (!std::isfinite(x))
        return c;
    return simul ? rotate_hue(c, x) : resample_spectrum(c, x);
}

unsigned int bm_col(unsigned int c, double x)
{
    if (!std::isfinite(x))
        return c;
    const double k = x >= 0.0 ? std::tanh(x) / 0.7615941559557649 : 1.3130352854993315;
    auto scale = [k](int v) { return to_channel(std::fmin(v * k, 255.0)); };
    return pack(c, scale(channel(c, 16)), scale(channel(c, 8)), scale(channel(c, 0)));
}

unsigned int av_col(unsigned int c1, unsigned int c2, int transp)
{
    // 64-bit: with transp = 65535 a weighted channel reaches about 4.3e9.
    const std::int64_t w1 = c1 >> 24;
    const std::int64_t w2 = static_cast<std::int64_t>(c2 >> 24) * std::max(transp, 0);
    const std::int64_t total = w1 + w2;
    if (total == 0)
        return c1 | alpha_mask;
    auto blend = [&](int shift) {
        return static_cast<int>((channel(c1, shift) * w1 + channel(c2, shift) * w2) / total);
    };
    return alpha_mask | static_cast<unsigned int>(blend(16)) << 16 |
           static_cast<unsigned int>(blend(8)) << 8 | static_cast<unsigned int>(blend(0));
}
