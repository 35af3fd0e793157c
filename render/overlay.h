// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "physics/f_vec.h"
#include "render/frame_buffer.h"

#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QSize>
#include <QString>

class Metric;

// The caption of a frame: the observer's radius, polar angle, coordinate time
// and speed in the locally non-rotating frame, as the overlay prints them.
struct OverlayCaption {
    QString r, θ, t, v;
};
OverlayCaption caption_of(Metric const &m, f_vec x, f_vec v);

// Where the caption goes: its half-transparent box and the baseline start
// of each text (r, θ, t, v), laid out by the font so that no text runs into
// another or out of the box. Two rows, r and θ above t and v; the second
// column starts where the wider of the first column's texts ends.
struct CaptionLayout {
    QRect box;
    QPoint at[4];
    QRect text[4]; // the texts' bounding boxes, for checking
};
CaptionLayout layout_caption(const OverlayCaption &c, const QFont &font);

// The caption's font for a picture of this size: 13 pixels on frames of 300
// rows or more, smaller on smaller frames (at least 8 pixels), so that on
// 160×120 the caption covers about a tenth of the frame.
QFont caption_font(QSize picture);

// Paints the caption of `frame` into the top-left corner of the picture (a
// QImage or a QPixmap) when `show` is on, the speed measured in the
// metric; otherwise, or for a null picture, returns it untouched. The caption
// is sized by caption_font. Painting on a QImage may run on any
// thread.
template <class T> T with_caption(T picture, MyImage &frame, Metric const &m, bool show);

extern template QImage with_caption(QImage, MyImage &, Metric const &, bool);
extern template QPixmap with_caption(QPixmap, MyImage &, Metric const &, bool);
