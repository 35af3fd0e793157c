// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "physics/simd_path.h"
#include "scene/settings.h"
#include "video/frame_rate.h"

#include <QString>
#include <QStringList>

class QCommandLineParser;

// What one run of the renderer does.
struct Job {
    SceneSettings settings;
    int first = 0, last = 0; // frames first…last of the animation's settings.frames
    QString output;
    int threads = 0; // 0: the machine's ideal count
    SimdPath simd = default_simd_path();
    FrameRate rate{25, 1}; // of an AVI file
    bool quiet = false;
    QStringList warnings;
};

// Declares every option on the parser.
void add_options(QCommandLineParser &parser);

// The job the parsed options ask for, or the first usage error (naming the
// option, or the scene file's key).
[[nodiscard]] QString job_from(QCommandLineParser const &parser, Job &job);
