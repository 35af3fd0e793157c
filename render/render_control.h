// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "render/frame_buffer.h"

#include <atomic>

// What steers one render from outside: its cancel flag, raised on any thread
// at any moment and polled by the dispatcher and by every ray, and the count
// of its pixel tasks queued or running, which throttles the dispatcher; and
// what it reports back: the frame's pixels whose rays could not be traced,
// added once per task. Each render has its own, so renders in one process
// neither cancel nor throttle each other.
struct RenderControl {
    std::atomic<bool> stop{false};
    Counter tasks;
    std::atomic<long long> untraced{0};
};
