// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/frame_buffer.h"

#include <algorithm>

namespace
{
constexpr unsigned int black = 0xff000000u;
}

MyImage::MyImage()
{
    dim(1, 1);
}

MyImage::MyImage(int w, int h)
{
    dim(w, h);
}

void MyImage::dim(int w, int h)
{
    width_ = std::max(w, 0);
    height_ = std::max(h, 0);
    const std::size_t n = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    // Release first, so that a resize never holds two frames at once.
    pixel_.reset();
    done_.reset();
    pixel_ = std::make_unique_for_overwrite<unsigned int[]>(n);
    done_ = std::make_unique<unsigned char[]>(n);
    std::fill_n(pixel_.get(), n, black);
    count_ = 0;
}

void MyImage::set_pixel(int x, int y, unsigned int colour)
{
    QMutexLocker lock(&mutex_);
    pixel_[index(x, y)] = colour;
    ++count_;
}

void MyImage::refine_pixel(int x, int y, unsigned int colour)
{
    QMutexLocker lock(&mutex_);
    pixel_[index(x, y)] = colour;
}

void MyImage::set_done(int x, int y)
{
    QMutexLocker lock(&mutex_);
    done_[index(x, y)] = 1;
}

int MyImage::done() const
{
    QMutexLocker lock(&mutex_);
    return count_;
}

void Counter::increment()
{
    QMutexLocker lock(&mutex_);
    ++value_;
}

void Counter::decrement()
{
    QMutexLocker lock(&mutex_);
    --value_;
}

int Counter::value() const
{
    QMutexLocker lock(&mutex_);
    return value_;
}
