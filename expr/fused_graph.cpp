// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/fused_graph.h"

#include "expr/op_codes.h"

#include <bit>
#include <cmath>
#include <limits>
#include <unordered_map>

namespace
{

constexpr int largest_unrolled_power = 64;
constexpr int zero = -1; // a derivative that vanishes by the formula's structure

struct Key {
    FusedOp op;
    int a, b, index;
    std::uint64_t bits;

    bool operator==(const Key &) const = default;
};

struct KeyHash {
    std::size_t operator()(const Key &k) const
    {
        std::uint64_t h = static_cast<std::uint64_t>(k.op);
        for (std::uint64_t v : {std::uint64_t(unsigned(k.a)), std::uint64_t(unsigned(k.b)),
                                std::uint64_t(unsigned(k.index)), k.bits})
            h = (h ^ v) * 0x100000001b3ull + (h >> 29);
        return static_cast<std::size_t>(h);
    }
};

// A node with the nodes of its partial derivatives ∂_k (zero where there is
// none to compute).
struct Dual {
    int v;
    int d[4] = {zero, zero, zero, zero};

    bool varies() const { return d[0] != zero || d[1] != zero || d[2] != zero || d[3] != zero; }
};

class Builder
{
  public:
    FusedGraph graph;

    int constant(double v) { return intern({FusedOp::constant, -1, -1, 0, v}); }
    int leaf(FusedOp op, int index) { return intern({op, -1, -1, index, 0}); }

    int unary(FusedOp op, int a)
    {
        if (is_nan(a))
            return a;
        if (is_constant(a))
            return constant(apply(op, value(a), 0));
        return intern({op, a, -1, 0, 0});
    }

    // IEEE addition and multiplication are commutative to the bit, so the
    // operand order is made canonical and a+b meets b+a.
    int binary(FusedOp op, int a, int b)
    {
        if (op != FusedOp::pow && (is_nan(a) || is_nan(b)))
            return is_nan(a) ? a : b;
        if (is_constant(a) && is_constant(b))
            return constant(apply(op, value(a), value(b)));
        if ((op == FusedOp::add || op == FusedOp::mul) && a > b)
            std::swap(a, b);
        return intern({op, a, b, 0, 0});
    }

    // The record's program replayed on nodes at x, carrying forward the
    // derivatives along the coordinates of `along` (bit k for x^k).
    Dual replay(const CompiledExpr &e, unsigned along)
    {
        const Dual nan = not_a_number(along);
        Dual st[16]{};
        int sp = 0;
        for (int pc = 0; pc < 512; ++pc) {
            const unsigned char c = e.code[pc];
            if (c == op::end)
                return sp > 0 ? st[sp - 1] : nan;
            if (op::is_binary(c)) {
                if (sp < 2)
                    return nan;
                const Dual b = st[--sp], a = st[sp - 1];
                st[sp - 1] = combined(c, a, b);
                continue;
            }
            if (op::is_function(c) || c == op::neg) {
                if (sp < 1)
                    return nan;
                st[sp - 1] = function(unary_op(c), st[sp - 1]);
                continue;
            }
            Dual pushed{};
            if (const int i = op::parameter_index(c); i >= 0)
                pushed.v = leaf(FusedOp::parameter, i);
            else if (const int i = op::coordinate_index(c); i >= 0)
                pushed = coordinate(i, along);
            else if (c == op::nan)
                pushed = nan;
            else if (op::is_digit(c))
                pushed.v = constant(c - op::digit_0);
            else if (op::is_slot(c) && c - op::slot_0 < sp)
                pushed = st[c - op::slot_0];
            else
                return nan;
            if (sp == 16)
                return nan;
            st[sp++] = pushed;
        }
        return nan;
    }

  private:
    std::unordered_map<Key, int, KeyHash> seen;

    bool is_constant(int n) const { return graph.nodes[n].op == FusedOp::constant; }
    double value(int n) const { return graph.nodes[n].value; }
    // Arithmetic on NaN is NaN, whatever the other operand; only a power
    // may drop one (x⁰ = 1, 1^NaN = 1).
    bool is_nan(int n) const { return is_constant(n) && std::isnan(value(n)); }

    static FusedOp binary_op(unsigned char c)
    {
        return c == op::mul   ? FusedOp::mul
               : c == op::add ? FusedOp::add
               : c == op::sub ? FusedOp::sub
                              : FusedOp::div;
    }

    static FusedOp unary_op(unsigned char c)
    {
        switch (c) {
        case op::cos:
            return FusedOp::cos;
        case op::sin:
            return FusedOp::sin;
        case op::sqrt:
            return FusedOp::sqrt;
        case op::exp:
            return FusedOp::exp;
        case op::log:
            return FusedOp::log;
        case op::sinh:
            return FusedOp::sinh;
        case op::cosh:
            return FusedOp::cosh;
        case op::tanh:
            return FusedOp::tanh;
        default:
            return FusedOp::neg;
        }
    }

    // A program that cannot run has no derivative either.
    Dual not_a_number(unsigned along)
    {
        Dual n{constant(std::numeric_limits<double>::quiet_NaN())};
        for (int k = 0; k < 4; ++k)
            if (along >> k & 1)
                n.d[k] = n.v;
        return n;
    }

    Dual coordinate(int k, unsigned along)
    {
        Dual x{leaf(FusedOp::coordinate, k)};
        if (along >> k & 1)
            x.d[k] = constant(1.0);
        return x;
    }

    // The sums, differences, products and quotients that derivatives are
    // made of: a structural zero drops out, a factor 1 too, and what folds to
    // a constant zero becomes a structural zero, so that the symbols that
    // vanish by the metric's form stay absent.
    int structural(int n) const { return is_constant(n) && value(n) == 0.0 ? zero : n; }
    bool is_one(int n) const { return is_constant(n) && value(n) == 1.0; }

    int plus(int p, int q)
    {
        return p == zero ? q : q == zero ? p : structural(binary(FusedOp::add, p, q));
    }
    int minus(int p, int q)
    {
        if (q == zero)
            return p;
        return structural(p == zero ? unary(FusedOp::neg, q) : binary(FusedOp::sub, p, q));
    }
    int times(int p, int factor)
    {
        if (p == zero)
            return zero;
        return structural(is_one(factor) ? p
                          : is_one(p)    ? factor
                                         : binary(FusedOp::mul, p, factor));
    }
    int over(int p, int divisor)
    {
        return p == zero ? zero : structural(binary(FusedOp::div, p, divisor));
    }

    // v with ∂_k v = rule(k) for each k.
    template <class Rule> static Dual with(int v, Rule rule)
    {
        Dual r{v};
        for (int k = 0; k < 4; ++k)
            r.d[k] = rule(k);
        return r;
    }

    Dual combined(unsigned char c, const Dual &a, const Dual &b)
    {
        switch (c) {
        case op::add:
            return with(binary(FusedOp::add, a.v, b.v),
                        [&](int k) { return plus(a.d[k], b.d[k]); });
        case op::sub:
            return with(binary(FusedOp::sub, a.v, b.v),
                        [&](int k) { return minus(a.d[k], b.d[k]); });
        case op::mul:
            return with(binary(FusedOp::mul, a.v, b.v),
                        [&](int k) { return plus(times(a.d[k], b.v), times(b.d[k], a.v)); });
        case op::div:
            return quotient(a, b);
        default:
            return power(a, b);
        }
    }

    // (a/b)' = (a' − (a/b)·b') / b: one division by b, which the quotient's
    // other derivatives share.
    Dual quotient(const Dual &a, const Dual &b)
    {
        const int q = binary(FusedOp::div, a.v, b.v);
        return with(q, [&](int k) { return over(minus(a.d[k], times(b.d[k], q)), b.v); });
    }

    // A constant whole exponent becomes the products pw forms, in its
    // order (their reciprocal for a negative one); pw stops early only once
    // the value no longer changes, so going on gives the same bits. Any other
    // power is (a^b)' = b·a^(b−1)·a' + a^b·log a·b', which keeps a
    // derivative where a = 0 and b ≥ 1.
    Dual power(const Dual &a, const Dual &b)
    {
        if (is_constant(b.v) && !is_constant(a.v)) {
            const double y = value(b.v);
            if (std::fabs(y) <= largest_unrolled_power && y == std::trunc(y))
                return y < 0 ? quotient(Dual{constant(1.0)}, whole_power(a, static_cast<int>(-y)))
                             : whole_power(a, static_cast<int>(y));
        }
        const int v = binary(FusedOp::pow, a.v, b.v);
        const int along_base =
            a.varies() ? binary(FusedOp::mul, b.v,
                                power_value(a.v, binary(FusedOp::sub, b.v, constant(1.0))))
                       : zero;
        const int along_exponent =
            b.varies() ? binary(FusedOp::mul, v, unary(FusedOp::log, a.v)) : zero;
        return with(v, [&](int k) {
            return plus(times(a.d[k], along_base), times(b.d[k], along_exponent));
        });
    }

    // (a^n)' = n·a^(n−1)·a'
    Dual whole_power(const Dual &a, int n)
    {
        const int v = products(a.v, n);
        if (n == 0)
            return Dual{v};
        const int slope =
            n == 1 ? constant(1.0) : binary(FusedOp::mul, constant(n), products(a.v, n - 1));
        return with(v, [&](int k) { return times(a.d[k], slope); });
    }

    int power_value(int a, int b)
    {
        if (is_constant(b) && !is_constant(a)) {
            const double y = value(b);
            if (std::fabs(y) <= largest_unrolled_power && y == std::trunc(y))
                return y < 0
                           ? binary(FusedOp::div, constant(1.0), products(a, static_cast<int>(-y)))
                           : products(a, static_cast<int>(y));
        }
        return binary(FusedOp::pow, a, b);
    }

    int products(int a, int n)
    {
        if (n == 0)
            return constant(1.0);
        if (n < 2)
            return a;
        if (n == 3)
            return binary(FusedOp::mul, binary(FusedOp::mul, a, a), a);
        int y = n % 2 == 0 ? binary(FusedOp::mul, a, a) : a;
        for (int k = n % 2 == 0 ? 2 : 1; k != n; k += 2)
            y = binary(FusedOp::mul, binary(FusedOp::mul, y, a), a);
        return y;
    }

    // f(a)' = f'(a)·a'
    Dual function(FusedOp f, const Dual &a)
    {
        const int v = unary(f, a.v);
        if (!a.varies())
            return Dual{v};
        int slope;
        switch (f) {
        case FusedOp::neg:
            return with(v, [&](int k) { return minus(zero, a.d[k]); });
        case FusedOp::sqrt: {
            const int twice = binary(FusedOp::mul, constant(2.0), v);
            return with(v, [&](int k) { return over(a.d[k], twice); });
        }
        case FusedOp::log:
            return with(v, [&](int k) { return over(a.d[k], a.v); });
        case FusedOp::sin:
            slope = unary(FusedOp::cos, a.v);
            break;
        case FusedOp::cos:
            slope = unary(FusedOp::neg, unary(FusedOp::sin, a.v));
            break;
        case FusedOp::exp:
            slope = v;
            break;
        case FusedOp::sinh:
            slope = unary(FusedOp::cosh, a.v);
            break;
        case FusedOp::cosh:
            slope = unary(FusedOp::sinh, a.v);
            break;
        default: // tanh: 1 − tanh², as (1 − v)(1 + v) to keep it accurate near ±1
            slope = binary(FusedOp::mul, binary(FusedOp::sub, constant(1.0), v),
                           binary(FusedOp::add, constant(1.0), v));
            break;
        }
        return with(v, [&](int k) { return times(a.d[k], slope); });
    }

    int intern(FusedNode n)
    {
        const Key key{n.op, n.a, n.b, n.index, std::bit_cast<std::uint64_t>(n.value)};
        auto [it, fresh] = seen.try_emplace(key, static_cast<int>(graph.nodes.size()));
        if (fresh)
            graph.nodes.push_back(n);
        return it->second;
    }
};

} // namespace

double apply(FusedOp op, double a, double b)
{
    switch (op) {
    case FusedOp::add:
        return a + b;
    case FusedOp::sub:
        return a - b;
    case FusedOp::mul:
        return a * b;
    case FusedOp::div:
        return a / b;
    case FusedOp::neg:
        return -a;
    case FusedOp::sin:
        return std::sin(a);
    case FusedOp::cos:
        return std::cos(a);
    case FusedOp::sqrt:
        return std::sqrt(a);
    case FusedOp::exp:
        return std::exp(a);
    case FusedOp::log:
        return std::log(a);
    case FusedOp::sinh:
        return std::sinh(a);
    case FusedOp::cosh:
        return std::cosh(a);
    case FusedOp::tanh:
        return std::tanh(a);
    default:
        return power(a, b);
    }
}

// Γ^a_bc = Σ_d g^ad·½(∂_b g_dc + ∂_c g_db − ∂_d g_bc), without the terms that
// vanish by structure and with the derivatives that cancel by symmetry
// (∂_b g_dc − ∂_d g_bc where c = d) left out before they are rounded.
FusedGraph lower_christoffel(const CompiledExpr (&records)[33])
{
    Builder B;
    const int det = B.replay(records[32], 0).v;
    int inv[4][4], dg[4][4][4];
    std::fill_n(&inv[0][0], 16, -1);
    std::fill_n(&dg[0][0][0], 64, -1);
    for (int i = 0; i < 4; ++i) {
        for (int j = i; j < 4; ++j) {
            const CompiledExpr &adj = records[16 + 4 * i + j];
            if (adj.nz) {
                inv[i][j] = inv[j][i] = B.binary(FusedOp::div, B.replay(adj, 0).v, det);
                B.graph.guarded.push_back(inv[i][j]);
            }
            const CompiledExpr &g = records[4 * i + j];
            unsigned along = 0;
            for (int k = 0; k < 4; ++k)
                along |= g.dep[k] ? 1u << k : 0u;
            const Dual component = B.replay(g, along);
            B.graph.metric[4 * i + j] = B.graph.metric[4 * j + i] = g.nz ? component.v : -1;
            if (along == 0)
                continue;
            for (int k = 0; k < 4; ++k) {
                if (component.d[k] == zero)
                    continue;
                dg[i][j][k] = dg[j][i][k] = component.d[k];
                B.graph.guarded.push_back(dg[i][j][k]);
            }
        }
    }
    auto lowered = [&](int d, int b, int c) {
        int p = dg[d][c][b], q = dg[d][b][c], r = dg[b][c][d];
        if (r >= 0 && (r == p || r == q)) {
            (r == p ? p : q) = -1;
            r = -1;
        }
        if (p < 0)
            std::swap(p, q);
        if (p < 0)
            return r < 0 ? -1 : B.binary(FusedOp::mul, r, B.constant(-0.5));
        const int s = q < 0 ? p : B.binary(FusedOp::add, p, q);
        return B.binary(FusedOp::mul, r < 0 ? s : B.binary(FusedOp::sub, s, r), B.constant(0.5));
    };
    for (int b = 0; b < 4; ++b) {
        for (int c = 0; c < 4; ++c) {
            for (int a = 0; a < 4; ++a) {
                int sum = -1;
                for (int d = 0; d < 4; ++d) {
                    const int x = inv[a][d] >= 0 ? lowered(d, b, c) : -1;
                    if (x < 0)
                        continue;
                    const int term = B.binary(FusedOp::mul, inv[a][d], x);
                    sum = sum < 0 ? term : B.binary(FusedOp::add, sum, term);
                }
                B.graph.gamma[16 * a + 4 * b + c] = sum;
            }
        }
    }
    return std::move(B.graph);
}
