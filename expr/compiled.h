#pragma once

#include "physics/f_vec.h"

#include <QString>

// One metric component, adjugate component or determinant compiled to byte
// codes for the stack machine of CntPfx.
struct cmp_expr {
    unsigned char code[512]; // byte codes, terminated by the end code 41
    unsigned char dep[4];    // 1 where the expression mentions t, r, θ, φ
    unsigned char nz;        // 0 for the constant zero, else 1
};

cmp_expr TrPfx(QString s);
double CntPfx(const unsigned char (&code)[512], const f_vec &x);
double pw(double x, int n);
double der(const unsigned char (&code)[512], const char &k, f_vec x);
