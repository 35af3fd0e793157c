// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <iterator>

struct FrameSize {
    int w, h;
};

// By item of the resolution box: the 4:3 sizes, then 16:9 ones for video.
inline constexpr FrameSize resolutions[] = {{160, 120},   {320, 240},   {800, 600},   {1024, 768},
                                            {1280, 960},  {2048, 1536}, {4096, 3072}, {1280, 720},
                                            {1920, 1080}, {3840, 2160}};

inline FrameSize resolution(int index)
{
    return resolutions[std::clamp(index, 0, int(std::size(resolutions)) - 1)];
}
