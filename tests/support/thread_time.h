// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ctime>

// Processor time of the calling thread: on a shared, loaded machine the wall
// clock says little about the work a piece of code did.
inline double thread_seconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}
