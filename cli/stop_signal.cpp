#include "cli/stop_signal.h"

#include <csignal>
#include <initializer_list>

namespace
{

volatile std::sig_atomic_t caught = 0;

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
