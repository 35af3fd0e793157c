// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/run_plan.h"

#include "render/frame_buffer.h"

#include <QCoreApplication>
#include <QImage>

#include <unistd.h>

#include <algorithm>
#include <limits>
#include <new>

int path_point(int count, int k, int frames)
{
    if (count <= 0 || frames <= 0)
        return -1;
    return static_cast<int>(static_cast<long long>(count) * k / frames);
}

std::size_t frame_bytes(int w, int h)
{
    const auto pixels =
        static_cast<std::size_t>(std::max(w, 0)) * static_cast<std::size_t>(std::max(h, 0));
    return pixels * (sizeof(unsigned int) + sizeof(unsigned char));
}

std::size_t store_bytes_after_run(std::span<const MyImage> store, int frames, int w, int h)
{
    const int entries = static_cast<int>(store.size());
    const int resized = std::clamp(frames, 0, entries);
    std::size_t bytes = static_cast<std::size_t>(resized) * frame_bytes(w, h);
    for (int k = resized; k < entries; ++k)
        bytes += frame_bytes(store[k].width(), store[k].height());
    return bytes;
}

std::size_t frame_memory_budget()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page_size = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || page_size <= 0)
        return std::numeric_limits<std::size_t>::max(); // unknown: refuse nothing
    return static_cast<std::size_t>(pages) * static_cast<std::size_t>(page_size) / 2;
}

bool run_fits(std::span<const MyImage> store, int frames, int w, int h, std::size_t budget)
{
    return store_bytes_after_run(store, frames, w, h) <= budget;
}

QString allocate_frame(MyImage &frame, int w, int h)
{
    bool allocated = true;
    try {
        frame.dim(w, h);
    } catch (std::bad_alloc const &) {
        allocated = false;
    }
    if (allocated) {
        const QImage packed(w, h, QImage::Format_RGB32), captioned(w, h, QImage::Format_RGB32);
        allocated = !packed.isNull() && !captioned.isNull();
    }
    if (allocated)
        return {};
    frame.dim(1, 1);
    const std::size_t bytes = frame_bytes(w, h) + 2 * std::size_t(w) * std::size_t(h) * 4;
    return QCoreApplication::translate("MainWindow",
                                       "not enough memory for a %1x%2 frame (needs about %3 MB)")
        .arg(w)
        .arg(h)
        .arg((bytes + 999999) / 1000000);
}
