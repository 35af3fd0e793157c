// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The values a view may take, one table for the window's fields, scene files
// and the renderer's options; a video's frame rate has at most the decimals
// its header's fraction can hold exactly. Outside them a frame would come out black or
// never finish: an observer at infinity, a step that does not move, a
// parameter whose powers overflow.
struct ValueRange {
    const char *key; // as scene files name the value
    double lo, hi;
    bool lo_excluded;
    int decimals;      // the most a value may have; −1 for any
    const char *reads; // the range as messages and help state it
};

inline constexpr ValueRange value_ranges[] = {
    {"M", -1e6, 1e6, false, -1, "from -1e6 to 1e6"},
    {"a", -1e6, 1e6, false, -1, "from -1e6 to 1e6"},
    {"Q", -1e6, 1e6, false, -1, "from -1e6 to 1e6"},
    {"lambda", -1e6, 1e6, false, -1, "from -1e6 to 1e6"},
    {"disk inner", 0, 1e6, false, -1, "from 0 to 1e6"},
    {"disk outer", 0, 1e6, false, -1, "from 0 to 1e6"},
    {"accuracy", 0.001, 0.2, false, -1, "from 0.001 to 0.2"},
    // Paths and rays end at r = 1000 at the latest; the horizon is checked
    // against the compiled metric.
    {"r", 0.001, 1000, false, -1, "from 0.001 to 1000"},
    {"theta", 0, 180, false, -1, "from 0 to 180 degrees"},
    {"phi", -360, 360, false, -1, "from -360 to 360 degrees"},
    {"speed", -0.999999, 0.999999, false, -1, "from -0.999999 to 0.999999"},
    {"rounds", 0.1, 10, false, -1, "from 0.1 to 10"},
    {"fps", 0.1, 1000, false, 6, "from 0.1 to 1000 with at most six decimals"},
};

// The entry for `key`; null when the value has no range of its own.
ValueRange const *value_range(QString const &key);

// Why `value` cannot be taken for `key` ("must be …"); empty when it can, or
// when the key has no range.
[[nodiscard]] QString range_problem(QString const &key, double value);

// Why an observer cannot start at radius r: paths and rays end at the
// capture radius around the centre and at the escape radius. Empty when r
// lies between them.
[[nodiscard]] QString start_radius_problem(double r, double capture, double escape);
