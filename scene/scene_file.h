// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scene/settings.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Scene files: UTF-8 JSON, one object. Keys (all optional but "version"):
//   "version": 1
//   "preset": "minkowski" | "schwarzschild" | "reissner-nordstrom" | "kerr" | "kerr-newman"
//   "metric": {"tt": "…", "tr": "…", …, "ff": "…"}   (formula texts, any subset)
//   "M", "a", "Q", "lambda": numbers
//   "disk": bool, "disk inner": number or "orbital", "disk outer": number,
//   "transparency": "1:1" | "1:2" | "1:5" | "1:9" | "opaque"
//   "accuracy": number, "accurate integration": bool
//   "r": number, "theta", "phi": degrees, "speed": number or "orbital",
//   "rounds": number, "shift", "beaming", "aberration", "overlay": bool
//   "colour model": "simulated" | "classic"
//   "zoom": 1…6, "smooth edges": 1 (off) | 4 | 16
//   "size": "WxH", "frames": 1…100000, "animation": bool
//   "panorama": image file name, relative to the scene file; "" for the checkerboard
//   "fps": frames per second of a video, "video format": "avi" | "images"
// Numbers must lie in the ranges of value_ranges.h.
// Missing keys keep the start-up defaults; unknown keys are ignored with a warning.

// The first error, naming its key; empty when the text was read. `out` is
// written only on success.
[[nodiscard]] QString read_scene(QByteArray const &text, SceneSettings &out, QStringList &warnings);

QByteArray write_scene(SceneSettings const &settings);

// A scene file is a few kilobytes: anything longer is not one.
inline constexpr qint64 largest_scene_file = 1024 * 1024;

// The contents of the scene file `name`, read only from a regular file of at
// most largest_scene_file bytes (a fifo or a device is refused without
// waiting on it). Empty on success, else "cannot read NAME: why".
[[nodiscard]] QString read_scene_file(QString const &name, QByteArray &text);

// The metric field names in the order of the texts: tt, tr, te, tf, rt, …, ff.
extern const char *const metric_keys[16];
