#pragma once

#include "physics/f_vec.h"
#include "render/frame_buffer.h"

#include <QImage>
#include <QPixmap>
#include <QString>

// The caption of a frame: the observer's radius, polar angle, coordinate time
// and speed in the locally non-rotating frame, as the overlay prints them.
struct overlay_caption {
    QString r, θ, t, v;
};
overlay_caption caption_of(f_vec x, f_vec v);

// Paints the caption of `frame` into the top-left corner of the picture (a
// QImage or a QPixmap) when `show` is on; otherwise, or for a null picture,
// returns it untouched. The caption has the same pixel size on any picture.
// Painting on a QImage may run on any thread.
template <class T> T with_caption(T picture, MyImage &frame, bool show);

// The caption as the overlay switch `sour` stands.
template <class T> T addTxtImg(T picture, MyImage &frame);

extern template QImage with_caption(QImage, MyImage &, bool);
extern template QPixmap with_caption(QPixmap, MyImage &, bool);
extern template QImage addTxtImg(QImage, MyImage &);
extern template QPixmap addTxtImg(QPixmap, MyImage &);
