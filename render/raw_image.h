// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "render/frame_buffer.h"

#include <QImage>
#include <QString>

// The claimed pixels of img's first h rows and w columns, packed row by row
// into a W×H RGB32 image, W = w2 or w when w2 is 0, H likewise. Packing a
// frame whose claimed pixels form a w2×h2 grid gives exactly that grid; words
// left over on a frame cut short are opaque black, and claimed pixels beyond
// W·H are dropped. The image owns its buffer and releases it through ImgFree.
QImage raw_to_image(MyImage &img, int w, int h, int w2, int h2);

// Releases a buffer made by raw_to_image; nothing for null.
void ImgFree(void *buffer);

// Milliseconds as "days:hours:minutes:seconds", each at least two digits.
QString to_time(long long ms);
