#pragma once

#include <QElapsedTimer>

#include <cstdio>

// Progress on standard error: percent, rays per second and time left. On a
// terminal one line is rewritten while a frame grows; otherwise (a log file,
// a batch system) one line per finished frame.
class Progress
{
  public:
    Progress(int frames, long long pixels_per_frame, bool quiet);

    // During frame `done_frames` (counted from 0 within this run).
    void during(int done_frames, int percent);
    void frame_done(int done_frames, int frame_index, long long frame_ms);
    void finish();

  private:
    void line(int done_frames, double share, char end);

    int frames_;
    long long pixels_;
    bool quiet_;
    bool terminal_;
    QElapsedTimer timer_;
};
