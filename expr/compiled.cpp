// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/compiled.h"

#include "expr/functions.h"
#include "expr/op_codes.h"

#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>

namespace
{

constexpr int stack_slots = 16;
constexpr int code_size = 512;
constexpr char16_t first_temporary = u'а';
constexpr unsigned char no_code = 0xff; // a character no token maps to

unsigned char code_of(QChar c)
{
    switch (c.unicode()) {
    case '*':
        return op::mul;
    case '+':
        return op::add;
    case '-':
        return op::sub;
    case '/':
        return op::div;
    case 'C':
        return op::cos;
    case 'M':
        return op::mass;
    case 'Q':
        return op::charge;
    case 'S':
        return op::sin;
    case '^':
        return op::power;
    case 'a':
        return op::spin;
    case 'r':
        return op::coord_r;
    case 't':
        return op::coord_t;
    case u'Λ':
        return op::lambda;
    case u'θ':
        return op::coord_theta;
    case u'φ':
        return op::coord_phi;
    case '$':
        return op::end;
    default:
        if (c >= u'0' && c <= u'9')
            return op::digit_0 + (c.unicode() - u'0');
        if (c.unicode() >= first_temporary && c.unicode() < first_temporary + 16)
            return op::slot_0 + (c.unicode() - first_temporary);
        if (const FormulaFunction *f = function_of_token(c.unicode()))
            return f->code;
        return no_code;
    }
}

int coordinate_of(QChar c)
{
    switch (c.unicode()) {
    case 't':
        return 0;
    case 'r':
        return 1;
    case u'θ':
        return 2;
    case u'φ':
        return 3;
    default:
        return -1;
    }
}

// Stack effect of one code given the depth before it; false when the code
// cannot run there. Writes the code to emit, which differs from the token's
// code only for a unary minus.
bool step(unsigned char c, int &depth, unsigned char &emitted)
{
    emitted = c;
    if (c == op::sub && depth == 1) {
        emitted = op::neg;
        return true;
    }
    if (op::is_binary(c)) {
        --depth;
        return depth >= 1;
    }
    if (op::is_function(c))
        return depth >= 1;
    if (op::is_slot(c) && c - op::slot_0 >= depth)
        return false;
    ++depth;
    return depth <= stack_slots;
}

// Translates up to and including the first "$"; returns the slots needed or
// -1 if the program cannot run. With `code` null it only measures, and then
// the length of the record is no limit.
int translate(QStringView s, unsigned char *code)
{
    int depth = 0;
    int need = 0;
    const qsizetype limit = code ? code_size : s.size();
    for (qsizetype i = 0; i < s.size() && i < limit; ++i) {
        unsigned char c = code_of(s[i]);
        if (c == op::end) {
            if (code)
                code[i] = op::end;
            return depth >= 1 ? need : -1;
        }
        unsigned char emitted;
        const bool token = c < op::end || op::is_function(c);
        if (!token || !step(c, depth, emitted))
            return -1;
        if (code)
            code[i] = emitted;
        need = std::max(need, depth);
    }
    return -1;
}

void make_nan_program(CompiledExpr &e)
{
    std::memset(e.code, 0, sizeof e.code);
    e.code[0] = op::nan;
    e.code[1] = op::end;
    e.nz = 1;
}

} // namespace

// A whole exponent within the range of int is the product pw forms (its
// reciprocal for a negative one), so whole powers keep their bits; any other
// is the C library's pow, which is NaN for a negative base.
double power(double x, double y)
{
    constexpr double largest = 2147483647.0;
    if (y >= -largest && y <= largest && y == std::trunc(y)) {
        const int n = static_cast<int>(y);
        return n >= 0 ? pw(x, n) : 1.0 / pw(x, -n);
    }
    return std::pow(x, y);
}

int stack_need(QStringView s)
{
    return translate(s, nullptr);
}

CompiledExpr TrPfx(QString s)
{
    CompiledExpr e{};
    e.nz = s.size() == 2 ? s[0] != u'0' : 1;
    for (QChar c : s) {
        int k = coordinate_of(c);
        if (k >= 0)
            e.dep[k] = 1;
    }
    if (translate(s, e.code) < 0)
        make_nan_program(e);
    return e;
}

// Up to this exponent the product is built one factor pair at a time, in the
// order the results are known by; beyond it repeated squaring bounds the work
// (a formula like (1-2*M/r)^r would otherwise multiply a billion times far
// out), at the price of a last-digit difference from the long product.
constexpr int longest_product = 64;

double pw(double x, int n)
{
    if (n == 2)
        return x * x;
    if (n == 3)
        return (x * x) * x;
    if (n == 0)
        return 1.0;
    if (n < 2)
        return x;
    if (n > longest_product) {
        double y = 1.0;
        for (double base = x; n > 0; n >>= 1, base *= base)
            if (n & 1)
                y *= base;
        return y;
    }
    double y = x * x;
    int k = 2;
    if (n % 2 != 0) {
        y = x;
        k = 1;
    }
    while (k != n) {
        y = (y * x) * x;
        k += 2;
    }
    return y;
}

// Threaded dispatch: every handler jumps straight to the handler of the next
// code, so no loop test or bounds check runs per code. TrPfx guarantees that
// the stack neither underflows nor overflows, that only filled slots are read
// and that every code has a handler, which is why nothing here checks.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"
double CntPfx(const unsigned char (&code)[512], const f_vec &x, const double *P)
{
    // In the order of op::Code.
    static const void *const c[] = {
        &&mul,  &&add,  &&sub,        &&div,  &&n0,    &&n1,    &&n2,    &&n3,    &&n4,    &&n5,
        &&n6,   &&n7,   &&n8,         &&n9,   &&cosv,  &&par_m, &&par_q, &&sinv,  &&power, &&para,
        &&crdr, &&crdt, &&par_lambda, &&crdθ, &&crdφ,  &&s0,    &&s1,    &&s2,    &&s3,    &&s4,
        &&s5,   &&s6,   &&s7,         &&s8,   &&s9,    &&s10,   &&s11,   &&s12,   &&s13,   &&s14,
        &&s15,  &&end,  &&neg,        &&nanv, &&sqrtv, &&expv,  &&logv,  &&sinhv, &&coshv, &&tanhv};
    static_assert(std::size(c) == op::count);
    double st[stack_slots];
    double *sp = st; // next free slot
    const unsigned char *pc = code;

#define NEXT goto *c[*pc++]
#define PUSH(v)                                                                                    \
    *sp++ = (v);                                                                                   \
    NEXT

    NEXT;
mul:
    --sp;
    sp[-1] = sp[-1] * sp[0];
    NEXT;
add:
    --sp;
    sp[-1] = sp[-1] + sp[0];
    NEXT;
sub:
    --sp;
    sp[-1] = sp[-1] - sp[0];
    NEXT;
div:
    --sp;
    sp[-1] = sp[-1] / sp[0];
    NEXT;
power:
    --sp;
    sp[-1] = power(sp[-1], sp[0]);
    NEXT;
neg:
    sp[-1] = -sp[-1];
    NEXT;
cosv:
    sp[-1] = std::cos(sp[-1]);
    NEXT;
sinv:
    sp[-1] = std::sin(sp[-1]);
    NEXT;
sqrtv:
    sp[-1] = std::sqrt(sp[-1]);
    NEXT;
expv:
    sp[-1] = std::exp(sp[-1]);
    NEXT;
logv:
    sp[-1] = std::log(sp[-1]);
    NEXT;
sinhv:
    sp[-1] = std::sinh(sp[-1]);
    NEXT;
coshv:
    sp[-1] = std::cosh(sp[-1]);
    NEXT;
tanhv:
    sp[-1] = std::tanh(sp[-1]);
    NEXT;
n0:
    PUSH(0.0);
n1:
    PUSH(1.0);
n2:
    PUSH(2.0);
n3:
    PUSH(3.0);
n4:
    PUSH(4.0);
n5:
    PUSH(5.0);
n6:
    PUSH(6.0);
n7:
    PUSH(7.0);
n8:
    PUSH(8.0);
n9:
    PUSH(9.0);
par_m:
    PUSH(P[0]);
para:
    PUSH(P[1]);
par_q:
    PUSH(P[2]);
par_lambda:
    PUSH(P[3]);
crdt:
    PUSH(x[0]);
crdr:
    PUSH(x[1]);
crdθ:
    PUSH(x[2]);
crdφ:
    PUSH(x[3]);
s0:
    PUSH(st[0]);
s1:
    PUSH(st[1]);
s2:
    PUSH(st[2]);
s3:
    PUSH(st[3]);
s4:
    PUSH(st[4]);
s5:
    PUSH(st[5]);
s6:
    PUSH(st[6]);
s7:
    PUSH(st[7]);
s8:
    PUSH(st[8]);
s9:
    PUSH(st[9]);
s10:
    PUSH(st[10]);
s11:
    PUSH(st[11]);
s12:
    PUSH(st[12]);
s13:
    PUSH(st[13]);
s14:
    PUSH(st[14]);
s15:
    PUSH(st[15]);
nanv:
    PUSH(std::numeric_limits<double>::quiet_NaN());
end:
    return sp[-1];

#undef PUSH
#undef NEXT
}
#pragma GCC diagnostic pop

double der(const unsigned char (&code)[512], const char &k, f_vec x, const double *P)
{
    constexpr double h = 5e-8;
    f_vec plus = x;
    f_vec minus = x;
    plus[k] = h + x[k];
    minus[k] = x[k] - h;
    double high = CntPfx(code, plus, P);
    double low = CntPfx(code, minus, P);
    return (high - low) * 1e7;
}

namespace
{

// A value with its derivative along one coordinate.
struct Sloped {
    double v, d;
};

Sloped operator*(Sloped a, Sloped b)
{
    return {a.v * b.v, a.d * b.v + a.v * b.d};
}

Sloped operator/(Sloped a, Sloped b)
{
    return {a.v / b.v, (a.d * b.v - a.v * b.d) / (b.v * b.v)};
}

// The derivative of a whole power keeps pw's products; any other power
// differentiates x^y = exp(y·log x), the log term only where y varies.
Sloped power(Sloped a, Sloped b)
{
    const double v = ::power(a.v, b.v);
    if (b.d == 0.0 && b.v == std::trunc(b.v) && std::fabs(b.v) <= 2147483647.0) {
        if (b.v == 0.0)
            return {1.0, 0.0};
        if (b.v == 1.0)
            return a;
        return {v, b.v * ::power(a.v, b.v - 1.0) * a.d};
    }
    const double d = v * (b.v * a.d / a.v + (b.d == 0.0 ? 0.0 : std::log(a.v) * b.d));
    return {v, d};
}

// The value and derivative of function `c` at a.
Sloped function(unsigned char c, Sloped a)
{
    switch (c) {
    case op::cos:
        return {std::cos(a.v), -std::sin(a.v) * a.d};
    case op::sin:
        return {std::sin(a.v), std::cos(a.v) * a.d};
    case op::sqrt: {
        const double v = std::sqrt(a.v);
        return {v, a.d / (2.0 * v)};
    }
    case op::exp: {
        const double v = std::exp(a.v);
        return {v, v * a.d};
    }
    case op::log:
        return {std::log(a.v), a.d / a.v};
    case op::sinh:
        return {std::sinh(a.v), std::cosh(a.v) * a.d};
    case op::cosh:
        return {std::cosh(a.v), std::sinh(a.v) * a.d};
    default: { // tanh
        const double v = std::tanh(a.v);
        return {v, (1.0 - v * v) * a.d};
    }
    }
}

} // namespace

double slope(const unsigned char (&code)[512], int k, const f_vec &x, const double *P)
{
    Sloped st[stack_slots];
    int sp = 0;
    for (const unsigned char *pc = code;; ++pc) {
        const unsigned char c = *pc;
        if (op::is_digit(c)) {
            st[sp++] = {double(c - op::digit_0), 0.0};
            continue;
        }
        if (op::is_slot(c)) {
            st[sp++] = st[c - op::slot_0];
            continue;
        }
        if (op::is_function(c)) {
            st[sp - 1] = function(c, st[sp - 1]);
            continue;
        }
        if (const int i = op::parameter_index(c); i >= 0) {
            st[sp++] = {P[i], 0.0};
            continue;
        }
        if (const int i = op::coordinate_index(c); i >= 0) {
            st[sp++] = {x[i], i == k ? 1.0 : 0.0};
            continue;
        }
        switch (c) {
        case op::mul:
            --sp;
            st[sp - 1] = st[sp - 1] * st[sp];
            break;
        case op::add:
            --sp;
            st[sp - 1] = {st[sp - 1].v + st[sp].v, st[sp - 1].d + st[sp].d};
            break;
        case op::sub:
            --sp;
            st[sp - 1] = {st[sp - 1].v - st[sp].v, st[sp - 1].d - st[sp].d};
            break;
        case op::div:
            --sp;
            st[sp - 1] = st[sp - 1] / st[sp];
            break;
        case op::power:
            --sp;
            st[sp - 1] = power(st[sp - 1], st[sp]);
            break;
        case op::neg:
            st[sp - 1] = {-st[sp - 1].v, -st[sp - 1].d};
            break;
        case op::nan:
            st[sp++] = {std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::quiet_NaN()};
            break;
        default: // the end code: TrPfx admits nothing else
            return st[sp - 1].d;
        }
    }
}
