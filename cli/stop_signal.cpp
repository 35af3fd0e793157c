// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/stop_signal.h"

#include <atomic>
#include <csignal>
#include <initializer_list>

namespace
{

// Set in the handler, read by the dispatching thread: a lock-free atomic is
// safe in both places.
std::atomic<int> caught{0};
static_assert(std::atomic<int>::is_always_lock_free);

void note(int signal)
{
    caught = signal;
}

} // namespace

void catch_stop_signals()
{
    struct sigaction action = {};
    action.sa_handler = note;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    for (int signal : {SIGINT, SIGTERM})
        sigaction(signal, &action, nullptr);
}

int stop_signal()
{
    return caught;
}

const char *signal_name(int signal)
{
    return signal == SIGINT ? "SIGINT" : "SIGTERM";
}
