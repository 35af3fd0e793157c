// SPDX-License-Identifier: GPL-3.0-or-later
// Export throughput. BM_ExportAvi: 800×600 frames of the default view (the README's
// rendered frame, or a gradient without the sources), each converted from the
// frame store, captioned, encoded as JPEG at quality 100 and written to an
// AVI file, on as many encoding threads as the machine has cores. Frames per
// second of wall clock, and per second of the whole process's processor time,
// since the wall clock says little on a shared machine.
#include "expr/metric.h"
#include "render/frame_buffer.h"
#include "video/frame_export.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <ctime>
#include <vector>

namespace
{

constexpr int W = 800, H = 600, frames = 60;

QImage rendered_frame()
{
    QImage img(QFileInfo(QStringLiteral(__FILE__)).dir().filePath("../docs/render.png"));
    if (img.size() == QSize(W, H))
        return img.convertToFormat(QImage::Format_RGB32);
    img = QImage(W, H, QImage::Format_RGB32);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            img.setPixel(x, y, qRgb(x * 255 / W, y * 255 / H, (x ^ y) & 0xff));
    return img;
}

std::vector<MyImage> &store()
{
    static std::vector<MyImage> frames_(frames);
    static const bool filled = [] {
        const QImage img = rendered_frame();
        for (std::size_t i = 0; i < frames_.size(); ++i) {
            MyImage &f = frames_[i];
            f.dim(W, H);
            f.x(f_vec{{double(i), 50, 1.4, 0}});
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    f.set_done(x, y);
                    f.set_pixel(x, y, img.pixel((x + int(i) * 7) % W, y));
                }
        }
        return true;
    }();
    static_cast<void>(filled);
    return frames_;
}

// The caption needs fonts, and fonts an application object.
void with_application()
{
    static int argc = 1;
    static char name[] = "bench_export";
    static char *argv[] = {name, nullptr};
    if (!QGuiApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static QGuiApplication app(argc, argv);
    }
}

void BM_ExportAvi(benchmark::State &state)
{
    with_application();
    std::vector<MyImage> &frames_ = store();
    QTemporaryDir dir;
    const Metric metric;
    ExportOptions options;
    options.path = dir.filePath("bench.avi");
    options.frames = frames;
    options.rate = {25, 1};
    options.overlay = true;
    options.threads = int(state.range(0));
    double cpu = 0;
    for (auto _ : state) {
        const std::clock_t start = std::clock();
        const ExportResult r = export_frames(frames_, metric, options);
        cpu += double(std::clock() - start) / CLOCKS_PER_SEC;
        if (r.written != frames)
            state.SkipWithError("not every frame was written");
    }
    const double written = double(frames) * double(state.iterations());
    state.counters["frames/s"] = benchmark::Counter(written, benchmark::Counter::kIsRate);
    state.counters["frames/cpu_s"] = written / cpu;
}
BENCHMARK(BM_ExportAvi)
    ->Arg(1)
    ->Arg(QThread::idealThreadCount())
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A 300-frame animation at 1920×1080 from the frame store, as an AVI of JPEG
// frames (argument 0) and as H.264 in MP4 (argument 1): frames per second
// and the size of the file. The rendered frame, scaled up and moved a little
// from frame to frame, stands in for an animation; the store takes about
// 3 GB.
void BM_Export1080p(benchmark::State &state)
{
    constexpr int w = 1920, h = 1080, n = 300;
    with_application();
    static std::vector<MyImage> frames_(n);
    if (frames_[0].width() != w) {
        QImage source(QFileInfo(QStringLiteral(__FILE__)).dir().filePath("../docs/render.png"));
        if (source.isNull())
            source = rendered_frame();
        const QImage img = source.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                               .convertToFormat(QImage::Format_RGB32);
        for (std::size_t i = 0; i < frames_.size(); ++i) {
            MyImage &f = frames_[i];
            f.dim(w, h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    f.set_done(x, y);
                    f.set_pixel(x, y, img.pixel((x + int(i) * 3) % w, y));
                }
        }
    }
    QTemporaryDir dir;
    const Metric metric;
    ExportOptions options;
    options.format = state.range(0) == 0 ? ExportFormat::avi : ExportFormat::mp4;
    options.path = dir.filePath(state.range(0) == 0 ? "bench.avi" : "bench.mp4");
    options.frames = n;
    options.rate = {25, 1};
    for (auto _ : state)
        if (export_frames(frames_, metric, options).written != n)
            state.SkipWithError("not every frame was written");
    state.counters["frames/s"] =
        benchmark::Counter(double(n) * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["MB"] = double(QFileInfo(options.path).size()) / 1e6;
}
BENCHMARK(BM_Export1080p)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
