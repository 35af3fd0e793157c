#include "expr/fused_christoffel.h"

#include "physics/rungekuta.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>

namespace
{

constexpr int max_outputs = 128;
constexpr double guard = 1e300;       // three of them still add up to a finite number
constexpr double stage_guard = 1e150; // products of two stay finite

bool same_bits(const tensor_3 &a, const tensor_3 &b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Near the horizon and the axis, in the equatorial plane and far out.
bool agrees(const FusedChristoffel &f, const double *params, FusedChristoffel::Reference reference)
{
    for (double r : {1.3, 2.1, 3.7, 12.5, 180.0}) {
        for (double θ : {0.004, 0.9, std::numbers::pi / 2, 2.3, 3.1}) {
            f_vec x{{0.7, r, θ, 1.3}};
            tensor_3 G;
            if (f.evaluate(params, x, G) && !same_bits(G, reference(x)))
                return false;
        }
    }
    return true;
}

} // namespace

FusedChristoffel::FusedChristoffel(FusedProgram p, std::unique_ptr<FusedBackend> b,
                                   FusedBackendKind k)
    : program(std::move(p)), runner(std::move(b)), kind(k), frame(program.frame_size)
{
    const int zero = static_cast<int>(program.outputs.size());
    for (int i = 0; i < 64; ++i)
        source[i] = program.gamma_output[i] < 0 ? zero : program.gamma_output[i];
    for (int a = 0; a < 4; ++a)
        for (int bc = 0; bc < 16; ++bc)
            if (program.gamma_output[16 * a + bc] >= 0)
                terms[a][term_count[a]++] = static_cast<unsigned char>(bc);
}

std::unique_ptr<FusedChristoffel> FusedChristoffel::build(const cmp_expr (&records)[33],
                                                          const double *params, Reference reference,
                                                          FusedBackendKind preferred)
{
    const FusedGraph graph = lower_christoffel(records);
    for (int v : graph.guarded)
        if (graph.nodes[v].op == FusedOp::constant && !(std::fabs(graph.nodes[v].value) <= guard))
            return nullptr;
    FusedProgram program = schedule(graph);
    if (!program.fits() || program.outputs.size() >= max_outputs) {
        std::fprintf(stderr, "Metric too large for fused evaluation; using the byte code.\n");
        return nullptr;
    }
    if (preferred == FusedBackendKind::native) {
        if (auto native = make_fused_native(program)) {
            std::unique_ptr<FusedChristoffel> fused(
                new FusedChristoffel(program, std::move(native), FusedBackendKind::native));
            fused->refresh(params);
            if (agrees(*fused, params, reference))
                return fused;
            std::fprintf(stderr, "Generated metric code disagrees with the byte code; "
                                 "using the fused interpreter.\n");
        }
    }
    auto interpreter = make_fused_interpreter(program);
    std::unique_ptr<FusedChristoffel> fused(new FusedChristoffel(
        std::move(program), std::move(interpreter), FusedBackendKind::interpreter));
    fused->refresh(params);
    if (agrees(*fused, params, reference))
        return fused;
    std::fprintf(stderr,
                 "Fused metric program disagrees with the byte code; using the byte code.\n");
    return nullptr;
}

void FusedChristoffel::refresh(const double *params)
{
    std::copy_n(params, 4, frame_params);
    program.fill_frame(params, frame.data());
}

bool FusedChristoffel::evaluate(const double *params, const f_vec &x, tensor_3 &G) const
{
    const double *block = frame.data();
    double local[FusedProgram::max_registers];
    if (std::memcmp(params, frame_params, sizeof frame_params) != 0) {
        program.fill_frame(params, local);
        block = local;
    }
    double out[max_outputs];
    runner->run(block, x, out);
    bool finite = true;
    for (int i = 0; i < program.guarded_count; ++i)
        finite &= std::fabs(out[i]) <= guard;
    if (!finite)
        return false;
    out[program.outputs.size()] = 0.0;
    double *g = &G.v[0][0][0];
    for (int i = 0; i < 64; ++i)
        g[i] = out[source[i]];
    return true;
}

// A sum from +0 that skips only ±0 terms keeps every bit (it never turns
// into −0), and a structurally zero symbol times a finite product is ±0.
f_vec FusedChristoffel::dudλ(const f_vec &u, const tensor_3 &G) const
{
    double uu[16];
    for (int b = 0; b < 4; ++b)
        for (int c = 0; c < 4; ++c)
            uu[4 * b + c] = u[b] * u[c];
    f_vec out;
    for (int a = 0; a < 4; ++a) {
        const double *row = &G.v[a][0][0];
        double acc = 0.0;
        for (int i = 0; i < term_count[a]; ++i)
            acc -= row[terms[a][i]] * uu[terms[a][i]];
        out[a] = acc;
    }
    return out;
}

f_vec FusedChristoffel::rungekuta(f_vec y, const tensor_3 &G, double h) const
{
    auto bounded = [](const f_vec &v) {
        return std::fabs(v[0]) <= stage_guard && std::fabs(v[1]) <= stage_guard &&
               std::fabs(v[2]) <= stage_guard && std::fabs(v[3]) <= stage_guard;
    };
    const double k = h / 2;
    const f_vec k1 = dudλ(y, G);
    const f_vec s2 = y + k1 * k, k2 = dudλ(s2, G);
    const f_vec s3 = y + k2 * k, k3 = dudλ(s3, G);
    const f_vec s4 = y + k3 * h, k4 = dudλ(s4, G);
    if (!(bounded(y) && bounded(s2) && bounded(s3) && bounded(s4))) {
        tensor_3 T = G;
        return ::rungekuta(::dudλ, y, T, h);
    }
    f_vec s = k2 + k3;
    s = s * 2.0;
    s = k1 + s;
    s = s + k4;
    s = s * k;
    s = s / 3.0;
    return y + s;
}
