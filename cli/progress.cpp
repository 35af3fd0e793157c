// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/progress.h"

#include "render/raw_image.h"

#include <unistd.h>

namespace
{
constexpr long long terminal_interval_ms = 500;
constexpr long long log_interval_ms = 10000;
} // namespace

Progress::Progress(int frames, long long pixels_per_frame, bool quiet)
    : frames_(frames), pixels_(pixels_per_frame), quiet_(quiet), terminal_(isatty(2) != 0)
{
    timer_.start();
}

// share: the part of the current frame done, 0..1.
void Progress::line(int done_frames, double share, char end)
{
    const double work = done_frames + share;
    const long long ms = timer_.elapsed();
    last_line_ms_ = ms;
    const double rays_per_s = ms > 0 ? work * double(pixels_) * 1000.0 / double(ms) : 0.0;
    const long long left = work > 0 ? static_cast<long long>(ms * (frames_ - work) / work) : 0;
    std::fprintf(stderr, "%5.1f%%  %d/%d frames  %.0f rays/s  %s left%c", 100.0 * work / frames_,
                 done_frames, frames_, rays_per_s, qPrintable(to_time(left)), end);
    std::fflush(stderr);
}

void Progress::during(int done_frames, int frame_index, double share)
{
    if (quiet_ ||
        timer_.elapsed() - last_line_ms_ < (terminal_ ? terminal_interval_ms : log_interval_ms))
        return;
    if (terminal_) {
        line(done_frames, share, '\r');
        return;
    }
    std::fprintf(stderr, "frame %d %.1f%% done; ", frame_index, 100.0 * share);
    line(done_frames, share, '\n');
}

void Progress::frame_done(int done_frames, int frame_index, long long frame_ms)
{
    if (quiet_)
        return;
    if (terminal_) {
        line(done_frames, 0.0, '\r');
        return;
    }
    std::fprintf(stderr, "frame %d done in %.3f s; ", frame_index, frame_ms / 1000.0);
    line(done_frames, 0.0, '\n');
}

void Progress::finish()
{
    if (!quiet_ && terminal_)
        std::fputc('\n', stderr);
}
