// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "video/frame_export.h"

#include <QString>

// What the status bar confirms once a file is written or a run stops.

// "2.1 MB", "45 kB", "812 bytes": the size of the file at `path` as a person reads it.
QString file_size_text(QString const &path);
// "Saved 10 frames to orbit.mp4 (2.1 MB)"; for numbered images the first and
// last name; "Stopped: saved 4 of 10 frames …" when the export was stopped.
QString export_done_text(ExportResult const &result, ExportOptions const &options);
// "Saved frame to view.png (45 kB)".
QString image_saved_text(QString const &path);
// "Saved scene orbit.json".
QString scene_saved_text(QString const &path);
// "Stopped at 21 %": the share of the run's pixels rendered before Stop.
QString stopped_text(double share);
