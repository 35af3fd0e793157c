#pragma once

#include "physics/f_vec.h"
#include "render/frame_buffer.h"

#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QRect>
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

// The caption's font: the same pixel size on any picture.
QFont caption_font();

// Paints the caption of `frame` into the top-left corner of the picture (a
// QImage or a QPixmap) when `show` is on, the speed measured in the
// metric; otherwise, or for a null picture, returns it untouched. The caption
// has the same pixel size on any picture. Painting on a QImage may run on any
// thread.
template <class T> T with_caption(T picture, MyImage &frame, Metric const &m, bool show);

extern template QImage with_caption(QImage, MyImage &, Metric const &, bool);
extern template QPixmap with_caption(QPixmap, MyImage &, Metric const &, bool);
