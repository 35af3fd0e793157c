// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "physics/f_vec.h"
#include "render/frame_engine.h"

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
// keeps the progress bar and the time estimate current, at least five times a
// second while pixels are handed out; the window's events
// are processed while the workers are busy, so Stop reaches it. Returns the
// milliseconds taken.
qint64 Compute(f_vec x, f_vec v, int w, int h, double z, Ui::MainWindow *ui);

// The effect switches as the window's check boxes stand.
RenderSwitches switches_of(Ui::MainWindow const &ui);

// Fills the progress bar to `share` (0…1) of its range, the percentage
// written with two decimals.
void show_progress(Ui::MainWindow &ui, double share);

// Shows the claimed columns × rows of a w×h frame (all of it for 0 × 0) in
// the display, blown up to the frame and then to fit the display, with the
// caption.
void show_frame(Ui::MainWindow &ui, MyImage &entry, int w, int h, int columns, int rows);
