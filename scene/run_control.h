#pragma once

#include <atomic>

// Run control, apart from the scene: the GUI thread raises `stop` at any
// moment and every ray polls it; `frame` is the frame store entry being
// rendered or last rendered.
extern std::atomic<bool> stop;
extern int frame;
