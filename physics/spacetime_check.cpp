// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/spacetime_check.h"

#include "expr/metric.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace
{

const char *const coordinate_names[4] = {"t", "r", "θ", "φ"};

QString number(double v)
{
    return QString::number(v, 'g', 6);
}

QString point(f_vec const &x)
{
    return QStringLiteral("r = %1, θ = %2°")
        .arg(number(x[1]), number(x[2] * 180 / std::numbers::pi));
}

// Jacobi rotations until the off-diagonal part is rounding: the signs of
// the eigenvalues of a symmetric 4×4 matrix, which a determinant alone
// cannot tell apart (three negative ones give det < 0 as well).
int negative_eigenvalues(double (&a)[4][4])
{
    for (int sweep = 0; sweep < 50; ++sweep) {
        double off = 0, scale = 0;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                (i == j ? scale : off) += a[i][j] * a[i][j];
        if (off <= 1e-30 * scale)
            break;
        for (int p = 0; p < 3; ++p)
            for (int q = p + 1; q < 4; ++q) {
                if (a[p][q] == 0)
                    continue;
                double const θ = 0.5 * (a[q][q] - a[p][p]) / a[p][q];
                double const t = std::copysign(1.0, θ) / (std::fabs(θ) + std::sqrt(θ * θ + 1));
                double const c = 1 / std::sqrt(t * t + 1), s = t * c;
                for (int k = 0; k < 4; ++k) {
                    double const kp = a[k][p], kq = a[k][q];
                    a[k][p] = c * kp - s * kq;
                    a[k][q] = s * kp + c * kq;
                }
                for (int k = 0; k < 4; ++k) {
                    double const pk = a[p][k], qk = a[q][k];
                    a[p][k] = c * pk - s * qk;
                    a[q][k] = s * pk + c * qk;
                }
            }
    }
    int negative = 0;
    for (int i = 0; i < 4; ++i)
        negative += a[i][i] < 0;
    return negative;
}

} // namespace

SpacetimeFault spacetime_fault(Metric const &m, f_vec x)
{
    auto value = [&](int record) { return CntPfx(m.records()[record].code, x, m.params()); };
    double g[4][4];
    for (int μ = 0; μ < 4; ++μ)
        for (int ν = μ; ν < 4; ++ν) {
            g[μ][ν] = g[ν][μ] = value(4 * μ + ν);
            if (std::isfinite(g[μ][ν]))
                continue;
            QString const name = QStringLiteral("g_%1%2").arg(
                QString::fromUtf8(coordinate_names[μ]), QString::fromUtf8(coordinate_names[ν]));
            return {QStringLiteral("%1 is not finite at %2: %1 = %3")
                        .arg(name, point(x), number(g[μ][ν])),
                    4 * μ + ν};
        }
    double const det = value(32);
    if (!(det < 0))
        return {QStringLiteral("g is not Lorentzian at %1: det g = %2").arg(point(x), number(det))};
    for (int i = 16; i < 32; ++i)
        if (!std::isfinite(value(i) / det))
            return {QStringLiteral("the inverse of g is not finite at %1").arg(point(x))};
    if (int const negative = negative_eigenvalues(g); negative != 1)
        return {QStringLiteral("g is not Lorentzian at %1: %2 negative eigenvalues, not one")
                    .arg(point(x))
                    .arg(negative)};
    double const tt = m.g(0, 0, x), tφ = m.g(0, 3, x), φφ = m.g(3, 3, x);
    double const at_rest = tt - tφ * tφ / φφ; // g(u, u) of the non-rotating frame's time axis
    if (!(φφ > 0))
        return {QStringLiteral("no observer can stand at %1: g_φφ = %2 is not positive")
                    .arg(point(x), number(φφ)),
                -1, true};
    if (!(at_rest < 0))
        return {QStringLiteral("no observer can stand at %1: the 4-velocity of the non-rotating "
                               "frame is not timelike (g(u, u) = %2)")
                    .arg(point(x), number(at_rest)),
                -1, true};
    return {};
}
