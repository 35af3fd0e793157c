// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

// The libraries the programs run with, one "name version" each: Qt and the
// FFmpeg libraries as loaded, asmjit and SLEEF as built against.
QStringList library_versions();
