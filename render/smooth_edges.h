// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

// Smoothing a frame's edges: which pixels get more rays, where those rays go
// inside the pixel, and how their colours become one. Colours are packed
// 0xAARRGGBB words.

// Two colours belong to one region while no channel differs by more than
// this many of 255 sRGB steps: well above the steps of a smooth gradient
// (a lit disk, a blurred panorama) between neighbours, well below the
// contrast of the checkerboard's cells, the shadow's rim and the disk's edge.
inline constexpr int edge_threshold = 16;

// Sub-pixel rays per refined pixel that the setting offers; 1 is off.
inline constexpr int smooth_choices[] = {1, 4, 16};

bool is_smooth_choice(int samples);

bool differ(unsigned int a, unsigned int b);

// A pixel to refine; bit (dy + 1)·3 + (dx + 1) of `differing` is set where
// its neighbour at (x + dx, y + dy) differs from it.
struct PixelAt {
    int x, y;
    unsigned differing;
};

// The pixels of the grid xs × ys (ascending columns and rows of a frame) whose
// colour differs from one of their eight neighbours in the grid. `colour(x, y)`
// reads the frame.
template <class Read>
std::vector<PixelAt> edge_pixels(Read const &colour, std::vector<int> const &xs,
                                 std::vector<int> const &ys)
{
    std::vector<PixelAt> out;
    const int columns = static_cast<int>(xs.size());
    const int rows = static_cast<int>(ys.size());
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < columns; ++i) {
            const unsigned int c = colour(xs[i], ys[j]);
            unsigned differing = 0;
            for (int dj = -1; dj <= 1; ++dj)
                for (int di = -1; di <= 1; ++di) {
                    const int ni = i + di, nj = j + dj;
                    if (ni >= 0 && ni < columns && nj >= 0 && nj < rows &&
                        differ(c, colour(xs[ni], ys[nj])))
                        differing |= 1u << ((dj + 1) * 3 + (di + 1));
                }
            if (differing)
                out.push_back({xs[i], ys[j], differing});
        }
    return out;
}

// Where ray k of a pixel's n×n rays crosses it, in pixels from its centre.
// One ray in each of the n×n cells, and no two rays share a column or a row
// of the finer n²×n² grid, so an edge along a row or a column is covered to
// within 1/(2n²) of the pixel.
struct SubpixelOffset {
    double dx, dy;
};
SubpixelOffset subpixel_offset(int n, int k);

// The rays of a pixel's n×n that look first, as bits k: those in the cells
// along each side, and in each corner, that faces a differing neighbour. The
// edge that makes a neighbour differ lies in the neighbour or between these
// rays and the side; only if one of them differs from the pixel's own colour
// does the rest of the grid follow. An edge that hides between them and the
// side covers less than 1/n² of the pixel.
unsigned first_rays(int n, unsigned differing);

// The mean of `count` colours in linear light: decoded from sRGB, averaged,
// encoded again; alpha averaged as it is. The mean of equal colours is that
// colour, bit for bit.
unsigned int linear_mean(unsigned int const *colours, int count);

// The sRGB transfer of one 8-bit channel, both ways.
double linear_of(int channel);
int channel_of(double linear);
