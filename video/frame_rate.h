// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Frames per second as the fraction rate/scale an AVI stream header holds:
// "12.5" is 25/2.
struct FrameRate {
    unsigned int rate = 0;
    unsigned int scale = 1;

    bool valid() const { return rate > 0 && scale > 0; }
    double fps() const { return valid() ? double(rate) / scale : 0.0; }
};

// A positive decimal number of frames per second, in lowest terms; an
// invalid rate (0/1) for anything else: empty text, 0, a sign, an exponent,
// more than six decimals or a value past what the header can hold.
FrameRate frame_rate_of(QString const &text);
