// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "expr/compiled.h"

#include <QString>

// Compiles the metric given as postfix strings g[μ][ν] into t: records 0..15
// the metric, 16..31 its adjugate, 32 its determinant. Only the diagonal and
// upper triangle are read; the lower records mirror them.
void kontr_g(QString (*g)[4], CompiledExpr (&t)[33]);
