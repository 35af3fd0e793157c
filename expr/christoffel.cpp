// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/christoffel.h"

#include "expr/compiled.h"
#include "expr/fused_christoffel.h"
#include "expr/metric.h"
#include "physics/rungekuta.h"

namespace
{

struct MetricAt {
    double inverse[4][4] = {};
    double dg[4][4][4] = {}; // dg[i][j][k] = ∂_k g_ij
};

// Zero-flagged adjugate entries and coordinates a component does not mention
// are skipped; for the diagonal presets that removes most of the work. The
// derivatives are der's difference quotients, or slope's exact ones.
void fill_metric(MetricAt &m, const CompiledExpr (&t)[33], const double *P, const f_vec &x,
                 bool exact)
{
    const double det = CntPfx(t[32].code, x, P);
    for (int i = 0; i < 4; ++i) {
        for (int j = i; j < 4; ++j) {
            const CompiledExpr &adj = t[16 + 4 * i + j];
            if (adj.nz)
                m.inverse[i][j] = m.inverse[j][i] = CntPfx(adj.code, x, P) / det;
            const CompiledExpr &g = t[4 * i + j];
            for (char k = 0; k < 4; ++k)
                if (g.dep[static_cast<int>(k)])
                    m.dg[i][j][static_cast<int>(k)] = m.dg[j][i][static_cast<int>(k)] =
                        exact ? slope(g.code, k, x, P) : der(g.code, k, x, P);
        }
    }
}

tensor_3 symbols(const CompiledExpr (&t)[33], const double *params, const f_vec &x, bool exact)
{
    MetricAt m;
    fill_metric(m, t, params, x, exact);
    tensor_3 G;
    for (int b = 0; b < 4; ++b) {
        for (int c = 0; c < 4; ++c) {
            double lowered[4];
            for (int d = 0; d < 4; ++d)
                lowered[d] = ((m.dg[d][c][b] + m.dg[d][b][c]) - m.dg[b][c][d]) * 0.5;
            for (int a = 0; a < 4; ++a) {
                double sum = 0.0;
                for (int d = 0; d < 4; ++d)
                    sum += m.inverse[a][d] * lowered[d];
                G[a][b][c] = sum;
            }
        }
    }
    return G;
}

} // namespace

tensor_3 christoffel_bytecode(const CompiledExpr (&t)[33], const double *params, f_vec &x)
{
    return symbols(t, params, x, false);
}

tensor_3 christoffel_exact(const CompiledExpr (&t)[33], const double *params, const f_vec &x)
{
    return symbols(t, params, x, true);
}

f_vec dudλ(f_vec u, tensor_3 &G)
{
    f_vec out{};
    for (int a = 0; a < 4; ++a) {
        double acc = 0.0;
        for (int b = 0; b < 4; ++b)
            for (int c = 0; c < 4; ++c)
                acc -= G[a][b][c] * (u[b] * u[c]);
        out[a] = acc;
    }
    return out;
}

tensor_3 christoffel_bytecode(Metric const &m, f_vec &x)
{
    return christoffel_bytecode(m.records(), m.params(), x);
}

tensor_3 Christoffel(Metric const &m, f_vec &x)
{
    tensor_3 G;
    if (m.fused() && m.fused()->evaluate(m.fused_frame(), x, G))
        return G;
    return christoffel_bytecode(m, x);
}

f_vec geodesic_step(Metric const &m, f_vec &x, f_vec u, double h)
{
    f_vec out;
    if (m.fused() && m.fused()->advance(m.fused_frame(), x, u, h, out))
        return out;
    return rungekuta(dudλ, u, christoffel_bytecode(m, x), h);
}
