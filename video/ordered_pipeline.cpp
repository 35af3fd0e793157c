// SPDX-License-Identifier: GPL-3.0-or-later
#include "video/ordered_pipeline.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace
{

class Pipeline
{
  public:
    Pipeline(int count, int threads, std::function<QByteArray(int)> const &make)
        : count_(count), ahead_(2 * threads), make_(make), made_(std::size_t(count))
    {
        for (int i = 0; i < threads; ++i)
            workers_.emplace_back([this] { work(); });
    }
    ~Pipeline()
    {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        room_.notify_all();
        for (std::thread &t : workers_)
            t.join();
    }

    // Item i once it is made, or nothing when `wait` ran out first.
    std::optional<QByteArray> take(int i, std::chrono::milliseconds wait)
    {
        std::unique_lock lock(mutex_);
        if (!made_[std::size_t(i)] &&
            !ready_.wait_for(lock, wait, [&] { return made_[std::size_t(i)].has_value(); }))
            return std::nullopt;
        std::optional<QByteArray> item = std::move(made_[std::size_t(i)]);
        made_[std::size_t(i)].reset();
        consumed_ = i + 1;
        lock.unlock();
        room_.notify_all();
        return item;
    }

  private:
    void work()
    {
        for (;;) {
            int i;
            {
                std::unique_lock lock(mutex_);
                room_.wait(lock,
                           [&] { return quit_ || next_ >= count_ || next_ < consumed_ + ahead_; });
                if (quit_ || next_ >= count_)
                    return;
                i = next_++;
            }
            QByteArray item = make_(i);
            {
                std::lock_guard lock(mutex_);
                made_[std::size_t(i)] = std::move(item);
            }
            ready_.notify_all();
        }
    }

    const int count_;
    const int ahead_;
    std::function<QByteArray(int)> const &make_;
    std::mutex mutex_;
    std::condition_variable room_, ready_;
    std::vector<std::optional<QByteArray>> made_;
    int next_ = 0;
    int consumed_ = 0;
    bool quit_ = false;
    std::vector<std::thread> workers_;
};

} // namespace

int run_in_order(int count, int threads, std::function<QByteArray(int)> const &make,
                 std::function<bool(int, QByteArray const &)> const &consume,
                 std::function<bool()> const &keep_going)
{
    if (count <= 0)
        return 0;
    Pipeline pipeline(count, threads < 1 ? 1 : threads, make);
    int consumed = 0;
    while (consumed < count) {
        std::optional<QByteArray> item = pipeline.take(consumed, std::chrono::milliseconds(50));
        if (!item) {
            if (!keep_going())
                break;
            continue;
        }
        if (!consume(consumed, *item))
            break;
        ++consumed;
        if (!keep_going())
            break;
    }
    return consumed;
}
