#pragma once

#include "physics/f_vec.h"

#include <QPixmap>
#include <QSize>
#include <QtGlobal>

class MyImage;

namespace Ui
{
class MainWindow;
}

// Renders image[frame] for the observer at x with velocity v, w×h pixels, the
// frame z wide in the image plane, with the effect switches as the window's
// check boxes stand. Shows the frame after every level (with the overlay) and
// keeps the progress bar and the time estimate current; the window's events
// are processed while the workers are busy, so Stop reaches it. Returns the
// milliseconds taken.
qint64 Compute(f_vec x, f_vec v, int w, int h, double z, Ui::MainWindow *ui);

// A frame-sized picture of `entry` scaled to fit the display, with the
// caption of the entry's observer.
QPixmap fitted_with_caption(const QPixmap &frame_sized, QSize screen, MyImage &entry);
