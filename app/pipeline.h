// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How many times the metric compilation pipeline has run in this process.
// Several slots lead to it and each run costs a noticeable fraction of a
// second, so the tests watch that every action runs it exactly as often as
// intended.
long pipeline_runs();
