// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The postfix expression with the operands of each "+" and "*" swapped where
// that lets the deeper one run first, which minimises the evaluation stack.
// Both operations are exactly commutative in floating point, so the value is
// bit for bit the same. Anything that is not one well-formed expression, or
// that holds a unary minus (whose meaning depends on the stack depth), comes
// back unchanged.
QString shallowest_order(const QString &expr);
