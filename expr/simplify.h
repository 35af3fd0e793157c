// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Simplifies s in place by textual identities (0·x, x·1, x−x, x/x, …) and a
// canonical operand order, so that equal subexpressions become equal text.
QString SimpPfx(QString &s);

// Whether s is one complete postfix expression whose stack stays within 10.
bool valPfx(QString s);

// The complete subexpression of at least three characters that occurs most
// often in s; empty if there is none.
QString MaxRepStr(QString &s);

// Simplifies s and factors repeated subexpressions into temporaries; returns
// the finished string (definitions, main expression, "$") and leaves the
// factored main expression in s.
QString OptPfx(QString &s);
