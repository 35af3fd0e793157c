// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/fused_graph.h"

#include "expr/op_codes.h"

#include <bit>
#include <cmath>
#include <limits>
#include <unordered_map>

namespace
{

constexpr double der_step = 5e-8; // as der forms x ± h
constexpr int largest_unrolled_power = 64;

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

    // A constant whole exponent becomes the products pw forms, in its
    // order (their reciprocal for a negative one); pw stops early only once
    // the value no longer changes, so going on gives the same bits.
    int power(int a, int b)
    {
        if (!is_constant(b) || is_constant(a))
            return binary(FusedOp::pow, a, b);
        const double y = value(b);
        if (!(std::fabs(y) <= largest_unrolled_power && y == std::trunc(y)))
            return binary(FusedOp::pow, a, b);
        if (y < 0)
            return binary(FusedOp::div, constant(1.0), products(a, static_cast<int>(-y)));
        return products(a, static_cast<int>(y));
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

    // The record's program replayed on nodes; coordinate `shifted` stands
    // at x + h (sign > 0) or x − h (sign < 0).
    int replay(const CompiledExpr &e, int shifted, int sign)
    {
        const int nan = constant(std::numeric_limits<double>::quiet_NaN());
        int st[16];
        int sp = 0;
        for (int pc = 0; pc < 512; ++pc) {
            const unsigned char c = e.code[pc];
            if (c == op::end)
                return sp > 0 ? st[sp - 1] : nan;
            if (op::is_binary(c)) {
                if (sp < 2)
                    return nan;
                const int b = st[--sp], a = st[sp - 1];
                st[sp - 1] = c == op::power ? power(a, b) : binary(binary_op(c), a, b);
                continue;
            }
            if (op::is_function(c) || c == op::neg) {
                if (sp < 1)
                    return nan;
                st[sp - 1] = unary(unary_op(c), st[sp - 1]);
                continue;
            }
            int pushed;
            if (const int i = op::parameter_index(c); i >= 0)
                pushed = leaf(FusedOp::parameter, i);
            else if (const int i = op::coordinate_index(c); i >= 0)
                pushed = coordinate(i, shifted, sign);
            else if (c == op::nan)
                pushed = nan;
            else if (op::is_digit(c))
                pushed = constant(c - op::digit_0);
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

    int coordinate(int k, int shifted, int sign)
    {
        const int x = leaf(FusedOp::coordinate, k);
        if (k != shifted)
            return x;
        return sign > 0 ? binary(FusedOp::add, constant(der_step), x)
                        : binary(FusedOp::sub, x, constant(der_step));
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

// The symbols are the generic sums with the structurally zero terms left
// out. With every guarded value finite and below 1e300, a left-out term is
// 0·(finite), a zero of either sign, and a sum that starts from +0 never
// becomes −0, so adding such a zero changes no bit. For the same reason the
// zero sign of a term does not matter, which lets 0 + v and 0 − v shrink to
// v and −v inside ½(∂_b g_dc + ∂_c g_db − ∂_d g_bc). The first term keeps its
// 0.0 + so that the sum is +0 wherever the generic one is.
FusedGraph lower_christoffel(const CompiledExpr (&records)[33])
{
    Builder B;
    const int det = B.replay(records[32], -1, 0);
    int inv[4][4], dg[4][4][4];
    std::fill_n(&inv[0][0], 16, -1);
    std::fill_n(&dg[0][0][0], 64, -1);
    for (int i = 0; i < 4; ++i) {
        for (int j = i; j < 4; ++j) {
            const CompiledExpr &adj = records[16 + 4 * i + j];
            if (adj.nz) {
                inv[i][j] = inv[j][i] = B.binary(FusedOp::div, B.replay(adj, -1, 0), det);
                B.graph.guarded.push_back(inv[i][j]);
            }
            const CompiledExpr &g = records[4 * i + j];
            B.graph.metric[4 * i + j] = B.graph.metric[4 * j + i] = g.nz ? B.replay(g, -1, 0) : -1;
            for (int k = 0; k < 4; ++k) {
                if (!g.dep[k])
                    continue;
                const int high = B.replay(g, k, 1), low = B.replay(g, k, -1);
                dg[i][j][k] = dg[j][i][k] =
                    B.binary(FusedOp::mul, B.binary(FusedOp::sub, high, low), B.constant(1e7));
                B.graph.guarded.push_back(dg[i][j][k]);
            }
        }
    }
    auto lowered = [&](int d, int b, int c) {
        const int p = dg[d][c][b], q = dg[d][b][c], r = dg[b][c][d];
        const int s = p >= 0 && q >= 0 ? B.binary(FusedOp::add, p, q) : p >= 0 ? p : q;
        const int x = r < 0 ? s : s >= 0 ? B.binary(FusedOp::sub, s, r) : B.unary(FusedOp::neg, r);
        return x < 0 ? -1 : B.binary(FusedOp::mul, x, B.constant(0.5));
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
                    sum = B.binary(FusedOp::add, sum < 0 ? B.constant(0.0) : sum, term);
                }
                B.graph.gamma[16 * a + 4 * b + c] = sum;
            }
        }
    }
    return std::move(B.graph);
}
