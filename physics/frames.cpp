// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/frames.h"

#include "expr/compiled.h"
#include "expr/metric.h"

#include <cmath>
#include <utility>

namespace
{

// Each use re-evaluates the component: the frames are built from hundreds of
// these and the order of the sums is fixed, so nothing is cached.
double g(Metric const &m, int μ, int ν, f_vec const &x)
{
    return m.g(μ, ν, x);
}

} // namespace

double dot_p(Metric const &m, double const (&a)[4], double const (&b)[4], f_vec x)
{
    double sum = 0;
    for (int μ = 0; μ < 4; ++μ)
        for (int ν = 0; ν < 4; ++ν)
            sum += (g(m, μ, ν, x) * a[μ]) * b[ν];
    return sum;
}

void norm(Metric const &m, double (&a)[4], f_vec x)
{
    double const length = std::sqrt(std::fabs(dot_p(m, a, a, x)));
    for (double &c : a)
        c /= length;
}

void ortonormalize(Metric const &m, double (&E)[4][4], f_vec x)
{
    for (int k = 1; k < 4; ++k) {
        for (int j = 0; j < k; ++j) {
            double const c = dot_p(m, E[k], E[j], x);
            for (int i = 0; i < 4; ++i)
                E[k][i] = E[k][i] - c * E[j][i];
        }
        norm(m, E[k], x);
    }
}

// The first stage adds the parts along the earlier space vectors instead of
// removing them; g(E_k, E_j) in ortonormalize is then exactly twice that part,
// so its subtraction there leaves the Gram–Schmidt vector.
void tetrada(Metric const &m, double (&E)[4][4], f_vec x)
{
    norm(m, E[0], x);
    for (int k = 1; k < 4; ++k) {
        for (int c = 0; c < 4; ++c) {
            for (int n = 0; n < 4; ++n)
                for (int j = 0; j < k; ++j)
                    E[k][c] += (g(m, k, n, x) * E[j][c]) * E[j][n];
            E[k][c] += c == k ? 1.0 : 0.0;
        }
        norm(m, E[k], x);
    }
    ortonormalize(m, E, x);
}

void lnrf(Metric const &m, double (&E)[4][4], f_vec x)
{
    E[0][0] = 1.0;
    E[0][1] = 0.0;
    E[0][2] = 0.0;
    E[0][3] = -m.g(0, 3, x) / m.g(3, 3, x);
    for (int a = 1; a < 4; ++a)
        for (double &c : E[a])
            c = 0.0;
    tetrada(m, E, x);
}

void invMatrix(double (&M)[4][4])
{
    double A[4][8];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            A[i][j] = M[i][j];
            A[i][4 + j] = i == j ? 1.0 : 0.0;
        }
    for (int k = 0; k < 4; ++k) {
        int pivot = k;
        for (int i = k + 1; i < 4; ++i)
            if (std::fabs(A[i][k]) > std::fabs(A[pivot][k]))
                pivot = i;
        if (pivot != k)
            std::swap(A[pivot], A[k]);
        for (int i = 0; i < 4; ++i) {
            if (i == k)
                continue;
            double const f = A[i][k] / A[k][k];
            for (int c = 0; c < 8; ++c)
                A[i][c] -= f * A[k][c];
        }
    }
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            M[i][j] = A[i][4 + j] / A[i][i];
}

f_vec transform(f_vec v, double const (&M)[4][4])
{
    f_vec result{};
    for (int ν = 0; ν < 4; ++ν) {
        double sum = 0;
        for (int a = 0; a < 4; ++a)
            sum += v[a] * M[a][ν];
        result[ν] = sum;
    }
    return result;
}

f_vec t_tet(Metric const &m, f_vec v, f_vec x)
{
    double E[4][4];
    lnrf(m, E, x);
    invMatrix(E);
    return transform(v, E);
}

f_vec f_tet(Metric const &m, f_vec v, f_vec x)
{
    double E[4][4];
    lnrf(m, E, x);
    return transform(v, E);
}

f_vec f_tet(Metric const &m, f_vec u, f_vec v, f_vec x)
{
    double E[4][4] = {{u[0], u[1], u[2], u[3]}, {}, {}, {}};
    tetrada(m, E, x);
    return transform(v, E);
}

f_vec four_vt(double v)
{
    double const γ = 1.0 / std::sqrt(1.0 - v * v);
    return {{γ, 0, 0, v * γ}};
}

double off_axis(double θ)
{
    constexpr double π = 3.141592653589793;
    double const k = std::round(θ / π);
    double const d = θ - k * π;
    if (std::fabs(d) >= axis_offset)
        return θ;
    double const side = d != 0 ? std::copysign(1.0, d) : (k > 0 ? -1.0 : 1.0);
    return k * π + side * axis_offset;
}
