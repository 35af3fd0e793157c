// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

// Operator priority on the translation stack: "^" 3, "*" "/" 2, "+" "-" 1,
// the function markers 0 ("s" and "c" for sine and cosine), anything else
// (brackets included) -1.
int prior(QChar &c);

// Length of the number that starts at `at`: digits with at most one point
// among or before them, then an optional exponent ("e" or "E", a sign, digits);
// 0 where none starts there.
qsizetype number_length(QStringView text, qsizetype at);

// The correctly rounded double of a number text (infinity beyond the range).
double number_value(QStringView number);

// A number text as an exact postfix expression of single digits whose value
// is number_value's: a lone digit stays itself, "30" is 3·(9+1), "0.25" is
// 25/(9+1)^2, and numbers that do not fit so are m·2^k.
QString number_postfix(QStringView number);

// Index into formula_functions (expr/functions.h) of the call, name and
// "(", that starts at `at`; -1 where none does.
int function_at(QStringView text, qsizetype at);

// Infix formula text to a postfix string of one-character tokens. Never
// fails: a malformed text gives a malformed string that later stages reject.
QString ToPfx(QString text);
