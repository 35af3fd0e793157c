// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>

#include <cstdio>

// Progress on standard error: percent, rays per second and time left. On a
// terminal one line is rewritten twice a second while a frame grows;
// otherwise (a log file, a batch system) one line per finished frame, and one
// every 10 s while a long frame grows, so a log never stays silent longer.
class Progress
{
  public:
    Progress(int frames, long long pixels_per_frame, bool quiet);

    // During frame `done_frames` (counted from 0 within this run), numbered
    // `frame_index` in the animation, of which `share` (0..1) is done. Cheap
    // enough to call as often as one likes: it writes only when a line is due.
    void during(int done_frames, int frame_index, double share);
    void frame_done(int done_frames, int frame_index, long long frame_ms);
    void finish();

  private:
    void line(int done_frames, double share, char end);

    int frames_;
    long long pixels_;
    bool quiet_;
    bool terminal_;
    QElapsedTimer timer_;
    long long last_line_ms_ = 0;
};
