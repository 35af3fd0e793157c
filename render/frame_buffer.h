// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "physics/f_vec.h"

#include <QMutex>

#include <memory>

// One frame: packed colours 0xAARRGGBB row-major, per-pixel claim flags (set
// when the pixel is handed to a worker, before it is coloured), the number of
// colours stored since the last resize, and the observer for whom it was
// rendered. Workers store pixels concurrently; everything else is the
// dispatching thread's. Coordinates are not checked: 0 <= x < width, 0 <= y < height.
class MyImage
{
  public:
    MyImage();
    MyImage(int w, int h);
    MyImage(MyImage const &) = delete;
    MyImage &operator=(MyImage const &) = delete;

    // Resizes and wipes: all opaque black, nothing claimed, count 0. Takes no
    // lock, so no task for this image may be outstanding. A negative size
    // counts as 0.
    void dim(int w, int h);

    void set_pixel(int x, int y, unsigned int colour);
    // A stored colour replaced by a finer one: not counted again.
    void refine_pixel(int x, int y, unsigned int colour);
    void set_done(int x, int y);

    void x(f_vec position) { position_ = position; }
    void v(f_vec velocity) { velocity_ = velocity; }
    f_vec x() const { return position_; }
    f_vec v() const { return velocity_; }

    // Unlocked reads: flags have one writer, pixels are read after the
    // workers have finished.
    unsigned int read(int x, int y) const { return pixel_[index(x, y)]; }
    bool done(int x, int y) const { return done_[index(x, y)] != 0; }

    int done() const;
    int pixels() const { return width_ * height_; }
    int width() const { return width_; }
    int height() const { return height_; }

  private:
    std::size_t index(int x, int y) const
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }

    mutable QMutex mutex_;
    std::unique_ptr<unsigned int[]> pixel_;
    std::unique_ptr<unsigned char[]> done_;
    int width_ = 0;
    int height_ = 0;
    int count_ = 0;
    f_vec position_{};
    f_vec velocity_{};
};

// A mutex-guarded integer; the renderer's instance counts the pixel tasks
// queued or running.
class Counter
{
  public:
    void increment();
    void decrement();
    int value() const;

  private:
    mutable QMutex mutex_;
    int value_ = 0;
};
