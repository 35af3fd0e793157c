// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/frame_engine.h"

#include "physics/ray_batch.h"
#include "physics/ray_colour.h"
#include "physics/ray_scene.h"
#include "render/smooth_edges.h"

#include <QElapsedTimer>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <cmath>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace
{

// The pool hands a task to its worker under its own locks, which the race
// detector cannot see because the toolkit is not built with it: without these
// marks every field of every task would be reported as a race.
void handing_over(void *task)
{
#if defined(__SANITIZE_THREAD__)
    __tsan_release(task);
#else
    (void)task;
#endif
}

void taken_over(void *task)
{
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(task);
#else
    (void)task;
#endif
}

} // namespace

unsigned int ColourSource::operator()(double α, double β, f_vec position, f_vec velocity) const
{
    if (scene_)
        return GetColor(*scene_, *prepared_, α, β, position, velocity);
    return plain_(α, β, position, velocity);
}

int ColourSource::operator()(ImagePoint const *points, int count, unsigned int *colours,
                             f_vec position, f_vec velocity) const
{
    if (scene_)
        return get_colours(*scene_, *prepared_, points, count, colours, position, velocity);
    for (int i = 0; i < count; ++i)
        colours[i] = plain_(points[i].α, points[i].β, position, velocity);
    return 0;
}

void set_render_switches(RayScene &s, RenderSwitches const &switches)
{
    s.el_ab = switches.el_ab;
    s.shift = switches.shift;
    s.kepler = switches.kepler;
    s.beam = switches.beam;
    s.simul = switches.simul;
}

int waitToFreeThread(RenderControl &control, int n, std::function<void()> const &wait)
{
    int value;
    while ((value = control.tasks.value()) > n && !control.stop)
        wait();
    return value;
}

SetColors::SetColors(std::vector<int> xs, int y, int w, int h, double z, f_vec position,
                     f_vec velocity, ColourSource const &colour, MyImage &target,
                     RenderControl &control)
    : xs(std::move(xs)), y(y), w(w), h(h), z(z), position(position), velocity(velocity),
      colour(&colour), target(&target), control(&control)
{
    setAutoDelete(true);
}

void SetColors::run()
{
    taken_over(this);
    const int count = static_cast<int>(xs.size());
    std::vector<ImagePoint> points(count);
    std::vector<unsigned int> colours(count);
    // Both divided by the width: square pixels of size z / w.
    for (int i = 0; i < count; ++i)
        points[i] = {(xs[i] - 0.5 * w) * z / w, (y - 0.5 * h) * z / w};
    if (const int lost = (*colour)(points.data(), count, colours.data(), position, velocity))
        control->untraced.fetch_add(lost, std::memory_order_relaxed);
    for (int i = 0; i < count; ++i) {
        target->set_pixel(xs[i], y, colours[i]);
        control->tasks.decrement(); // last: the dispatcher may count this pixel as gone
    }
}

SmoothColors::SmoothColors(std::vector<PixelAt> pixels, int w, int h, double z, int n,
                           f_vec position, f_vec velocity, ColourSource const &colour,
                           MyImage &target, RenderControl &control)
    : pixels(std::move(pixels)), w(w), h(h), z(z), n(n), position(position), velocity(velocity),
      colour(&colour), target(&target), control(&control)
{
    setAutoDelete(true);
}

void SmoothColors::run()
{
    taken_over(this);
    const int per_pixel = n * n;
    const unsigned whole_grid = (1u << per_pixel) - 1;
    std::vector<unsigned int> colours(pixels.size() * per_pixel);
    std::vector<unsigned> first(pixels.size()), rest(pixels.size(), 0);
    for (std::size_t k = 0; k < pixels.size(); ++k)
        first[k] = first_rays(n, pixels[k].differing);
    trace(first, colours.data());
    for (std::size_t k = 0; k < pixels.size(); ++k) {
        // Read before any change: no other task writes this pixel.
        const unsigned own = target->read(pixels[k].x, pixels[k].y);
        for (int s = 0; s < per_pixel; ++s)
            if ((first[k] >> s & 1u) && differ(own, colours[k * per_pixel + s]))
                rest[k] = whole_grid & ~first[k];
    }
    trace(rest, colours.data());
    // A ray cut short by the stop brings a wrong colour: the pixels keep their
    // one ray's then. The flag stays raised until the frame returns.
    const bool stopped = control->stop;
    for (std::size_t k = 0; k < pixels.size(); ++k) {
        if (!stopped && rest[k])
            target->refine_pixel(pixels[k].x, pixels[k].y,
                                 linear_mean(colours.data() + k * per_pixel, per_pixel));
        control->tasks.decrement(); // last: the dispatcher may count this pixel as gone
    }
}

void SmoothColors::trace(std::vector<unsigned> const &rays, unsigned int *colours) const
{
    const int per_pixel = n * n;
    std::vector<ImagePoint> points;
    std::vector<std::size_t> destinations;
    for (std::size_t k = 0; k < pixels.size(); ++k)
        for (int s = 0; s < per_pixel; ++s)
            if (rays[k] >> s & 1u) {
                const SubpixelOffset at = subpixel_offset(n, s);
                points.push_back({(pixels[k].x + at.dx - 0.5 * w) * z / w,
                                  (pixels[k].y + at.dy - 0.5 * h) * z / w});
                destinations.push_back(k * per_pixel + s);
            }
    std::vector<unsigned int> traced(points.size());
    (*colour)(points.data(), static_cast<int>(points.size()), traced.data(), position, velocity);
    for (std::size_t i = 0; i < destinations.size(); ++i)
        colours[destinations[i]] = traced[i];
}

int level_end(int w, int h)
{
    // The wider side decides, and the first level always runs: then the last
    // grid is at least as fine as the frame whatever its shape, and frames
    // narrower than 16 pixels or taller than wide come out complete too.
    const int side = std::max(w, h);
    if (side <= 0)
        return first_level;
    return std::max(static_cast<int>(std::log(side) / std::log(2) + 2.0), first_level + 1);
}

namespace
{
// Far shorter than the queue of waiting tasks takes to drain, yet rare enough
// that waking up costs the workers little.
void sleep_briefly()
{
    QThread::usleep(200);
}

// One call of FrameEngine::render: the dispatch state of one frame.
class FrameRender
{
  public:
    FrameRender(MyImage &target, f_vec x, f_vec v, double z, ColourSource const &colour,
                RenderControl &control, RenderHooks const &hooks, QThreadPool &pool,
                QElapsedTimer const &timer)
        : target_(target), x_(x), v_(v), w_(target.width()), h_(target.height()), z_(z),
          colour_(colour), control_(control), hooks_(hooks), pool_(pool), timer_(timer)
    {
        if (hooks_.wait)
            wait_ = hooks_.wait;
        else
            wait_ = sleep_briefly;
    }

    void run()
    {
        const int end = level_end(w_, h_);
        for (int level = coarsest_; level < end; ++level) {
            if (control_.stop)
                break;
            dispatch_level(static_cast<long long>(std::pow(2.0, level)));
            drain();
            if (!control_.stop && hooks_.level_done)
                hooks_.level_done(claimed_columns(), claimed_rows());
            if (!control_.stop && samples_ > 1)
                estimate_refined_pixels();
        }
        if (!control_.stop && samples_ > 1)
            smooth_edges();
    }

    void set_smoothing(int samples) { samples_ = samples; }

    // Every queued task has ended. A level that fits in the queue drains
    // without a throttle; with a wait of its own the caller goes on taking
    // events meanwhile, so a stop that comes then cuts the level short
    // instead of waiting for its last ray.
    void drain()
    {
        if (hooks_.wait)
            waitToFreeThread(control_, 0, wait_);
        pool_.waitForDone();
    }
    void set_coarsest_level(int level) { coarsest_ = level; }

  private:
    auto reader() const
    {
        return [this](int x, int y) { return target_.read(x, y); };
    }

    // Edges are lines: a grid k times finer finds about k times as many of
    // their pixels. The finest grid is the frame itself, so this ends exact.
    void estimate_refined_pixels()
    {
        const std::vector<int> xs = claimed(w_, [this](int i) { return target_.done(i, 0); });
        const std::vector<int> ys = claimed(h_, [this](int j) { return target_.done(0, j); });
        if (xs.empty())
            return;
        const auto found = edge_pixels(reader(), xs, ys).size();
        expected_refined_ = static_cast<double>(found) * w_ / static_cast<double>(xs.size());
    }

    // The frame's edge pixels are found before any of them changes, so the
    // choice never depends on the order in which the workers finish.
    void smooth_edges()
    {
        std::vector<int> xs(w_), ys(h_);
        for (int i = 0; i < w_; ++i)
            xs[i] = i;
        for (int j = 0; j < h_; ++j)
            ys[j] = j;
        const std::vector<PixelAt> edges = edge_pixels(reader(), xs, ys);
        expected_refined_ = static_cast<double>(edges.size());
        const int n = samples_ == 4 ? 2 : max_subpixel_side;
        const std::size_t per_task = rays_per_smoothing_task / (n * n);
        for (std::size_t first = 0; first < edges.size(); first += per_task) {
            const std::size_t last = std::min(first + per_task, edges.size());
            const int count = static_cast<int>(last - first);
            waitToFreeThread(control_, std::max(max_waiting_tasks + 1 - count, 0), wait_);
            if (control_.stop)
                break;
            for (int k = 0; k < count; ++k)
                control_.tasks.increment();
            auto *task = new SmoothColors({edges.begin() + first, edges.begin() + last}, w_, h_, z_,
                                          n, x_, v_, colour_, target_, control_);
            handing_over(task);
            pool_.start(task);
            refined_dispatched_ += count;
            report_progress();
        }
        drain();
        if (control_.stop)
            return;
        report_progress();
        if (hooks_.level_done)
            hooks_.level_done(w_, h_);
    }

    template <class Claimed> static std::vector<int> claimed(int size, Claimed const &is_claimed)
    {
        std::vector<int> out;
        for (int i = 0; i < size; ++i)
            if (is_claimed(i))
                out.push_back(i);
        return out;
    }

    // Grid n×n: column i is pixel (i·w) div n, row j is (j·h) div n, so each
    // level's grid contains the previous one and the claimed pixels always
    // form columns × rows.
    void dispatch_level(long long n)
    {
        for (long long j = 0; j < n; ++j) {
            if (control_.stop)
                break;
            dispatch_row(n, static_cast<int>(j * h_ / n));
            report_progress();
        }
    }

    // The row's unclaimed pixels of the grid, in runs of at most
    // max_run_pixels; a run is claimed only once it is sure to be queued,
    // so every claimed pixel gets its colour.
    void dispatch_row(long long n, int py)
    {
        std::vector<int> run;
        for (long long i = 0; i <= n; ++i) {
            const int px = i < n ? static_cast<int>(i * w_ / n) : -1;
            if (px >= 0 && !target_.done(px, py) && (run.empty() || run.back() != px))
                run.push_back(px);
            if (run.empty() || (px >= 0 && static_cast<int>(run.size()) < max_run_pixels))
                continue;
            if (!dispatch_run(std::move(run), py))
                return;
            run.clear();
        }
    }

    // False when stopped before the run was queued.
    bool dispatch_run(std::vector<int> run, int py)
    {
        const int count = static_cast<int>(run.size());
        waitToFreeThread(control_, std::max(max_waiting_tasks + 1 - count, 0), wait_);
        if (control_.stop)
            return false;
        for (int px : run) {
            target_.set_done(px, py);
            control_.tasks.increment();
        }
        auto *task =
            new SetColors(std::move(run), py, w_, h_, z_, x_, v_, colour_, target_, control_);
        handing_over(task);
        pool_.start(task);
        return true;
    }

    // In rays: one per pixel, then `samples_` per refined pixel.
    void report_progress()
    {
        // Only the pass's tasks are outstanding while it runs.
        const double refined =
            refined_dispatched_ > 0 ? refined_dispatched_ - control_.tasks.value() : 0;
        const double traced = target_.done() + refined * samples_;
        if (traced <= 0)
            return; // still 0 %
        const double planned = target_.pixels() + expected_refined_ * samples_;
        share_ = std::max(share_, std::min(traced / planned, 1.0));
        const auto remaining = static_cast<long long>(timer_.elapsed() * (1.0 / share_ - 1.0));
        if (hooks_.advanced)
            hooks_.advanced(share_, remaining);
        const int percent = static_cast<int>(100.0 * share_);
        if (percent == last_percent_)
            return;
        last_percent_ = percent;
        if (hooks_.progress)
            hooks_.progress(percent, remaining);
    }

    int claimed_columns() const
    {
        int columns = 0;
        for (int px = 0; px < w_; ++px)
            columns += target_.done(px, 0);
        return columns;
    }

    int claimed_rows() const
    {
        int rows = 0;
        for (int py = 0; py < h_; ++py)
            rows += target_.done(0, py);
        return rows;
    }

    MyImage &target_;
    f_vec x_, v_;
    int w_, h_;
    double z_;
    ColourSource const &colour_;
    RenderControl &control_;
    RenderHooks const &hooks_;
    std::function<void()> wait_;
    QThreadPool &pool_;
    QElapsedTimer const &timer_;
    int last_percent_ = 0;
    int samples_ = 1;
    int coarsest_ = first_level;
    double expected_refined_ = 0;
    long long refined_dispatched_ = 0;
    double share_ = 0;
};

} // namespace

FrameEngine::FrameEngine(PixelColour colour, RenderControl &control)
    : colour_(colour), control_(control), threads_(QThread::idealThreadCount()),
      coarsest_level_(first_level)
{
}

FrameEngine::FrameEngine(RayScene const &scene, PreparedFrame const &prepared,
                         RenderControl &control)
    : colour_(scene, prepared), control_(control), threads_(QThread::idealThreadCount()),
      coarsest_level_(first_level)
{
}

void FrameEngine::set_coarsest_level(int level)
{
    coarsest_level_ = std::clamp(level, 1, first_level);
}

void FrameEngine::set_smoothing(int samples)
{
    smooth_samples_ = is_smooth_choice(samples) ? samples : 1;
}

void FrameEngine::set_thread_count(int threads)
{
    threads_ = std::max(threads, 1);
}

long long FrameEngine::render(MyImage &target, f_vec x, f_vec v, int w, int h, double z)
{
    QElapsedTimer timer;
    timer.start();
    target.dim(w, h);
    target.x(x);
    target.v(v);
    control_.untraced = 0;
    if (target.pixels() == 0)
        return timer.elapsed();

    QThreadPool pool;
    pool.setMaxThreadCount(threads_);
    FrameRender render(target, x, v, z, colour_, control_, hooks_, pool, timer);
    render.set_smoothing(smooth_samples_);
    render.set_coarsest_level(coarsest_level_);
    render.run();
    return timer.elapsed();
}
