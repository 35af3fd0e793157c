// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "render/frame_buffer.h"
#include "video/frame_rate.h"

#include <QSize>
#include <QString>

#include <functional>
#include <span>

class Metric;

enum class ExportFormat {
    avi,            // one AVI file of JPEG (MJPG) frames
    image_sequence, // numbered JPG files: hole.jpg gives hole00.jpg, hole01.jpg, … for 10 frames
    mp4             // one MP4 file of H.264 video (see Mp4Writer)
};

struct ExportOptions {
    ExportFormat format = ExportFormat::avi;
    // The video file, or the name the numbered files are made from.
    QString path;
    // Store entries 0 … frames−1; entries never rendered (narrower than 2
    // pixels) are left out.
    int frames = 0;
    // Of the video stream; not used for image sequences.
    FrameRate rate{10, 1};
    // Every frame is scaled to this size; empty: the size of the first
    // exported frame.
    QSize size;
    // The observer's coordinates in the corner of every frame, the speed
    // measured in the metric.
    bool overlay = false;
    // Of each JPEG; for MP4, of the whole stream (Mp4Writer::constant_rate_factor).
    int quality = 100;
    // Encoding threads; 0: one per core.
    int threads = 0;
    // Frames written so far and the number to write, on the calling thread
    // after every frame and at least every 50 ms while frames are encoded;
    // false stops the export.
    std::function<bool(int written, int total)> progress;
};

struct ExportResult {
    int written = 0; // frames now in the video file, or files written
    int total = 0;   // frames there were to write
    bool cancelled = false;
    // Empty unless something went wrong; then what the user should be told,
    // including how many frames were written.
    QString error;
};

// The name of frame i of an image sequence of `count` frames: `name` without
// its last four characters (whole when shorter), then i padded with zeros to
// the width of `count`, so that the names sort in frame order, then ".jpg".
QString sequence_file_name(QString const &name, int i, int count);

// Writes the rendered entries among the first `options.frames` of `store` in
// order, as tenebrion-render writes its files (see PendingFile): a video file
// stopped is finished with the frames written before; one that fails to write
// (a full disk) is removed and never takes its name, so an older file of that
// name stays as it was. Each image of a sequence is written whole or not at
// all. Devices, fifos, folders and read-only files are refused, links are
// written through. Nothing is written when there is no rendered frame, no
// name or no valid frame rate. Runs on the calling thread, encoding on worker
// threads; nothing may render into the store or change the metric meanwhile.
[[nodiscard]] ExportResult export_frames(std::span<MyImage> store, Metric const &metric,
                                         ExportOptions const &options);
