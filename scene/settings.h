// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

struct Scene;

// A view as the user sets it up, before anything is compiled or searched:
// what a scene file holds and what the window's fields show. The defaults are
// the window's start-up values.
struct SceneSettings {
    int preset = 3; // 0 Minkowski, 1 Schwarzschild, 2 Reissner–Nordström, 3 Kerr, 4 Kerr–Newman
    QString metric[16]; // infix g_μν, text 4μ+ν; the preset's texts by default
    double M = 1, a = 0.8, Q = 0, Λ = 1;
    std::optional<double> inner; // disk's inner radius; none: the right-handed stable orbit limit
    double outer = 12;
    bool disk = false;
    int transparency = 3; // 1:1, 1:2, 1:5, 1:9, opaque
    double accuracy = 0.02;
    bool accurate = false;        // whole-state fourth-order integration
    double r = 50, θ = 80, φ = 0; // observer's start, angles in degrees
    std::optional<double> v;      // tangential speed; none: the proposed circular-orbit speed
    double rounds = 1;
    bool shift = false, beaming = false, simulated = true, aberration = false, overlay = false;
    int zoom = 2;
    int smooth_edges = 1; // rays per refined edge pixel: 1 (off), 4 or 16
    int width = 800, height = 600;
    int frames = 10;
    bool animation = false;
    bool live = true; // the window's picture follows the hand and re-renders at once
    QString panorama; // image file; empty: the checkerboard
    // Frames per second of a video; none: the default of whoever writes it.
    std::optional<double> fps;
    int video_format = 0; // index into video_format_names

    SceneSettings();
    // The start-up values with preset `index`'s texts, a and Q.
    static SceneSettings of_preset(int index);
};

inline constexpr const char *preset_keys[5] = {"minkowski", "schwarzschild", "reissner-nordstrom",
                                               "kerr", "kerr-newman"};
inline constexpr int transparency_weights[5] = {1, 2, 5, 9, 65535};
inline constexpr const char *transparency_names[5] = {"1:1", "1:2", "1:5", "1:9", "opaque"};
// How the window saves an animation: one AVI file, or numbered images.
inline constexpr const char *video_format_names[] = {"avi", "images", "mp4"};

// The frames a run renders: the animation's, or one.
int run_frames(SceneSettings const &s);

// Builds the scene the window would hold after these settings were typed in:
// the metric compiled, the horizons and the disk's inner edge found, the
// fields read with the window's precision (M, a, Q, Λ and the outer radius as
// doubles; the accuracy, the start, the speed and a given inner radius in
// single precision), the speed proposed when none is given. The panorama is
// not loaded here; the disk texture is the caller's too.
Scene build_scene(SceneSettings const &settings);

// The tangential speed the window proposes for the start, as its speed field
// ends up holding it (six significant digits, clamped to ±0.999999 and
// rounded to six decimals); 0 in flat space.
double proposed_speed(Scene const &s, double r, double θ_degrees);

// A number the way the window writes it back into a field after the file
// gave it: the shortest text that reads back as the same double.
QString field_text(double value);
