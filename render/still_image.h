// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "render/frame_buffer.h"

#include <QImage>
#include <QSize>
#include <QString>

class Metric;

// A stored frame as a picture: its pixels at its own size, scaled smoothly to
// `size` when that is not empty and differs (a frame left from a run at another
// resolution), then the caption when `overlay` is on, its speed measured in
// the metric. Reads only the entry's own buffer; may run on any
// thread while nothing renders into the entry or changes the metric.
QImage frame_picture(MyImage &entry, QSize size, Metric const &metric, bool overlay);

// Saves the entry at its own size with the caption when `overlay` is on, in
// the format the name's suffix names, at quality 100. The file at `path` is
// replaced only by a complete picture. Empty on success, else "cannot write
// PATH: why" (an unknown suffix, a folder that cannot be written, a full disk).
[[nodiscard]] QString save_frame(MyImage &entry, QString const &path, Metric const &metric,
                                 bool overlay);
