// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstddef>
#include <span>

class MyImage;

// Planning an animation run before anything is rendered: where on the
// observer's stored path each frame stands, and whether its frames fit in memory.

// Stored point of frame k of `frames` on a path of `count` points: the points
// are shared out evenly by index, frame 0 at the first one. Computed in 64
// bits, since a finely traced path times 2400 frames overflows 32. −1 when the
// path is empty: the frame has no stored point to use.
int path_point(int count, int k, int frames);

// Bytes one stored frame of w×h pixels takes: a colour word and a claim flag
// per pixel.
std::size_t frame_bytes(int w, int h);

// What the whole frame `store` holds once a run of `frames` frames of w×h has
// resized its first entries; the entries behind them keep an earlier run's frames.
std::size_t store_bytes_after_run(std::span<const MyImage> store, int frames, int w, int h);

// Half the machine's physical memory: the frame store may grow to it, the rest
// is left to the program's other needs and to the system.
std::size_t frame_memory_budget();

// Whether a run of `frames` frames of w×h keeps the store within `budget`.
bool run_fits(std::span<const MyImage> store, int frames, int w, int h, std::size_t budget);

// Sizes `frame` to w×h and checks that the two pictures made from a finished
// frame (packed, then captioned) fit beside it, so that a frame too large for
// the memory this process may use is refused before any work: then "not
// enough memory for a WxH frame (needs about N MB)" and `frame` is left 1×1, as a
// new one.
[[nodiscard]] QString allocate_frame(MyImage &frame, int w, int h);
