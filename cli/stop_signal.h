// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// SIGINT and SIGTERM ask the render to stop rather than end the process at
// once, so that it can leave its files in order. The handler is taken back as
// the first signal arrives: a second one ends the process as usual.
void catch_stop_signals();

// The signal that asked to stop, or 0.
int stop_signal();

// "SIGINT" or "SIGTERM".
const char *signal_name(int signal);
