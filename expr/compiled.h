// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "physics/f_vec.h"

#include <QString>
#include <QStringView>

// One metric component, adjugate component or determinant compiled to byte
// codes for the stack machine of CntPfx.
struct CompiledExpr {
    unsigned char code[512]; // byte codes (expr/op_codes.h), up to the end code
    unsigned char dep[4];    // 1 where the expression mentions t, r, θ, φ
    unsigned char nz;        // 0 for the constant zero, else 1
};

// Compiles a finished postfix string (definitions, main expression, "$").
// The program is checked here, once, so that evaluation can run unchecked:
// a string that would leave the 16-slot stack, read a slot nothing filled,
// use a code without a handler, not fit the record or produce no value is
// compiled to a program whose value is NaN. A "-" that meets exactly one
// value is compiled to a negation, since the stack depth at every code is
// known here.
CompiledExpr TrPfx(QString s);

// Stack slots a finished string needs when run, or -1 when it cannot run
// (the checks of TrPfx except the length of the record).
int stack_need(QStringView s);

// Evaluates a record made by TrPfx at x with the parameters P (M, a, Q, Λ
// first).
double CntPfx(const unsigned char (&code)[512], const f_vec &x, const double *P);

double pw(double x, int n);

// x^y as every evaluator computes a "^": pw's products for a whole exponent
// (1/x^n for a negative one), else pow(x, y), NaN for a negative base.
double power(double x, double y);

// Central difference along coordinate k (0..3), step 5e-8.
double der(const unsigned char (&code)[512], const char &k, f_vec x, const double *P);

// Partial derivative of the program along coordinate k (0..3) at x with the
// parameters P, carried
// through every code exactly instead of by differences: far out a metric
// component changes by parts in 10¹⁸ over any step der could take, which
// rounding swallows. Slower than der; for the orbit searches, not rendering.
double slope(const unsigned char (&code)[512], int k, const f_vec &x, const double *P);
