// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/fused_christoffel.h"

#include "physics/rungekuta.h"
#include "physics/step_length.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace
{

constexpr int max_outputs = 128;
constexpr double guard = 1e300;       // three of them still add up to a finite number
constexpr double stage_guard = 1e150; // products of two stay finite

struct MetricNorm {
    double value, scale;
};

bool same_bits(const tensor_3 &a, const tensor_3 &b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Near the horizon and the axis, in the equatorial plane and far out.
template <class Visit> void at_samples(Visit visit)
{
    for (double r : {1.3, 2.1, 3.7, 12.5, 180.0})
        for (double θ : {0.004, 0.9, std::numbers::pi / 2, 2.3, 3.1})
            visit(f_vec{{0.7, r, θ, 1.3}});
}

// Generated code runs the interpreter's operations in its order with the
// same library functions: the same bits, whether it evaluates or steps.
bool same_as(const FusedChristoffel &native, const FusedChristoffel &interpreter,
             const std::vector<double> &frame)
{
    bool same = true;
    at_samples([&](const f_vec &x) {
        tensor_3 G, R;
        const bool answered = native.evaluate(frame.data(), x, G);
        if (answered != interpreter.evaluate(frame.data(), x, R)) {
            same = false;
            return;
        }
        if (!answered)
            return;
        same &= same_bits(G, R);
        for (f_vec u : {f_vec{{1.1, -0.6, 0.03, 0.02}}, f_vec{{-2, 0.1, -0.2, 0.3}}}) {
            f_vec fast, slow;
            native.advance(frame.data(), x, u, 0.3, fast);
            interpreter.advance(frame.data(), x, u, 0.3, slow);
            same &= std::memcmp(&fast, &slow, sizeof fast) == 0;
        }
    });
    return same;
}

// The fused program differentiates every operation exactly; `reference`
// does so too, by other code in another order (the byte code's slope), so
// the two differ by rounding alone: at most some 10⁻¹³ of a symbol, or of a
// thousandth of the largest where a symbol is a difference of larger terms,
// in every metric of the tests. A wrong derivative rule or lowering differs
// by the symbol's own size. Points where the reference has no finite answer
// prove nothing.
bool agrees(const FusedChristoffel &f, const double *params,
            std::function<tensor_3(f_vec &)> const &reference)
{
    const std::vector<double> frame = f.frame_block(params);
    bool close = true;
    at_samples([&](f_vec x) {
        tensor_3 G;
        if (!f.evaluate(frame.data(), x, G))
            return;
        const tensor_3 R = reference(x);
        const double *g = &G.v[0][0][0], *want = &R.v[0][0][0];
        double largest = 0;
        for (int i = 0; i < 64; ++i)
            largest = std::max(largest, std::fabs(want[i]));
        if (!std::isfinite(largest))
            return;
        for (int i = 0; i < 64; ++i)
            close &= std::fabs(g[i] - want[i]) <= 1e-9 * (std::fabs(want[i]) + 1e-3 * largest);
    });
    return close;
}

// How far the scalar step moves from u when θ moves by two units in its last
// place either way: what a last-bit difference of a sine or cosine can make
// of the step where the metric cancels (as Kerr–de Sitter's does beyond its
// cosmological horizon).
double spread(FusedBackend::StepEntry scalar, const std::vector<double> &frame,
              const double (&x)[4], const double (&uh)[5], const double (&u)[4])
{
    double most = 0;
    for (double toward : {-4.0, 4.0}) {
        double nudged[4] = {x[0], x[1], x[2], x[3]};
        for (int i = 0; i < 2; ++i)
            nudged[2] = std::nextafter(nudged[2], toward);
        double v[4];
        if (!scalar(frame.data(), nudged, uh, v))
            continue;
        for (int k = 0; k < 4; ++k)
            most = std::max(most, std::fabs(v[k] - u[k]));
    }
    return most;
}

// The packet step against the scalar one, lane by lane, at the sample
// points: the same lanes held (the guards' and the axis zone's), the step
// length of step_length_at, and the same new u up to 10⁻⁷ of its size, or of
// the spread where the metric cancels. The last bits of the vector sines,
// the reciprocals and FMA move u by some 10⁻¹⁴ in the tests' metrics; the
// bound leaves room for metrics nearly singular near the axis, where a step
// may grow u a hundred-million-fold.
bool packet_agrees(const PacketStep &packet, FusedBackend::StepEntry scalar,
                   const std::vector<double> &frame)
{
    struct Sample {
        double x[4], u[4], r_hor, p, r_outer;
    };
    std::vector<Sample> samples;
    for (double r : {1.3, 2.1, 3.7, 12.5, 180.0})
        for (double θ : {0.004, 0.9, std::numbers::pi / 2, 2.3, 3.1})
            for (double p : {0.02, 0.3})
                samples.push_back(
                    {{0.7, r, θ, 1.3}, {1.1, -0.6, 0.03, 0.02}, 1.0, p, p > 0.1 ? 200.0 : 0.0});
    using State = PacketStep::State;
    using Out = PacketStep::Out;
    const int lanes = packet.lanes();
    alignas(64) double x[4 * 8], state[State::rows * 8], out[Out::rows * 8];
    // Some lanes on their last step, some past their first (so that a step
    // from the plane θ = π/2 crosses it): a lane that never left would trace
    // its ray forever.
    auto steps_before = [](int lane) { return lane % 3 == 2 ? 1.0 : 0.0; };
    auto budget = [](int lane) { return lane % 2 ? 1.0 : HUGE_VAL; };
    auto leaves = [&](double θ_from, bool taken, double r_hor, int lane, double r, double θ) {
        const double π = std::numbers::pi;
        const bool crossed = steps_before(lane) > 0 && (θ_from - π / 2) * (θ - π / 2) <= 0;
        return !taken || steps_before(lane) + 1 >= budget(lane) || !(r > r_hor) || θ < 0 || θ > π ||
               crossed;
    };
    auto near = [](double a, double b, double scale) { return std::fabs(a - b) <= 1e-7 * scale; };
    for (std::size_t first = 0; first < samples.size(); first += lanes) {
        for (int i = 0; i < lanes; ++i) {
            const Sample &s = samples[std::min(first + i, samples.size() - 1)];
            for (int k = 0; k < 4; ++k) {
                x[k * lanes + i] = s.x[k];
                state[(State::u + k) * lanes + i] = s.u[k];
            }
            state[State::r_hor * lanes + i] = s.r_hor;
            state[State::p * lanes + i] = s.p;
            state[State::r_outer * lanes + i] = s.r_outer;
            for (int row : {State::r_escape, State::path_limit})
                state[row * lanes + i] = HUGE_VAL;
            state[State::path * lanes + i] = 0;
            state[State::steps * lanes + i] = steps_before(i);
            state[State::budget * lanes + i] = budget(i);
        }
        const unsigned held = packet.entry()(frame.data(), x, state, out);
        for (int i = 0; i < lanes; ++i) {
            const Sample &s = samples[std::min(first + i, samples.size() - 1)];
            if (((held >> (8 + i)) & 1) !=
                leaves(s.x[2], (held >> i) & 1, s.r_hor, i, x[lanes + i], x[2 * lanes + i]))
                return false;
            const double distance = std::fabs(std::sin(s.x[2]));
            const double h = out[Out::h * lanes + i];
            if (!near(out[Out::distance * lanes + i], distance, 1.0))
                return false;
            const double uh[5] = {s.u[0], s.u[1], s.u[2], s.u[3], h};
            double u[4];
            const bool scalar_held = distance >= axis_zone && scalar(frame.data(), s.x, uh, u);
            if (scalar_held != ((held >> i) & 1))
                return false;
            // A lane whose step was not taken keeps its ray where it was.
            for (int k = 0; k < 4; ++k)
                if (!scalar_held &&
                    (x[k * lanes + i] != s.x[k] || state[(State::u + k) * lanes + i] != s.u[k]))
                    return false;
            if (!scalar_held)
                continue;
            if (!near(h, step_length_at(s.x[1], s.r_hor, s.r_outer, s.p, distance), h))
                return false;
            const double size =
                std::max({std::fabs(u[0]), std::fabs(u[1]), std::fabs(u[2]), std::fabs(u[3])});
            const double scale = std::max(size, spread(scalar, frame, s.x, uh, u) / 1e-7);
            for (int k = 0; k < 4; ++k)
                if (!near(state[(State::u + k) * lanes + i], u[k], scale) ||
                    !near(x[k * lanes + i], s.x[k] + u[k] * h,
                          std::max(1.0, std::fabs(s.x[k])) + std::fabs(h) * scale))
                    return false;
            const double dθ = s.x[2] - x[2 * lanes + i], dφ = s.x[3] - x[3 * lanes + i];
            if (!near(out[Out::angular_step * lanes + i], std::sqrt(dθ * dθ + dφ * dφ), 0.0))
                return false;
        }
    }
    return true;
}

// g(u, u) and its scale from the program's own metric code, run by the
// byte code's operations.
MetricNorm scalar_norm(const FusedProgram &program, const std::vector<double> &frame,
                       const f_vec &x, const f_vec &u)
{
    std::vector<double> r(program.register_count);
    std::copy(frame.begin(), frame.end(), r.begin());
    for (int k = 0; k < 4; ++k)
        if (program.coordinate_reg[k] >= 0)
            r[program.coordinate_reg[k]] = x[k];
    run_fused(program.point_code, r.data());
    run_fused(program.metric_code, r.data());
    MetricNorm n{0, 0};
    for (int μ = 0; μ < 4; ++μ)
        for (int ν = μ; ν < 4; ++ν)
            if (const int g = program.metric_reg[4 * μ + ν]; g >= 0) {
                const double term = r[g] * u[μ] * u[ν] * (μ == ν ? 1 : 2);
                n.value += term;
                n.scale += std::fabs(term);
            }
    return n;
}

// The packet acceleration against the scalar symbols' dudλ, lane by lane, in
// the same way, to 10⁻⁶ of its largest component; its g(u, u) to a few
// ulps of its scale.
bool acceleration_agrees(const PacketStep &packet, const FusedChristoffel &f,
                         const FusedProgram &program, const std::vector<double> &frame)
{
    const int lanes = packet.lanes();
    alignas(64) double x[4 * 8], u[4 * 8], out[7 * 8];
    f_vec points[8], velocities[8];
    int i = 0;
    for (double r : {1.3, 2.1, 3.7, 12.5, 180.0})
        for (double θ : {0.004, 0.9, std::numbers::pi / 2, 2.3, 3.1}) {
            points[i] = {{0.7, r, θ, 1.3}};
            velocities[i] = {{1.1, -0.6, 0.03 * r, 0.02 * i}};
            for (int k = 0; k < 4; ++k) {
                x[k * lanes + i] = points[i][k];
                u[k * lanes + i] = velocities[i][k];
            }
            if (++i < lanes)
                continue;
            const unsigned held = packet.acceleration()(frame.data(), x, u, out);
            for (i = 0; i < lanes; ++i) {
                tensor_3 G;
                const bool scalar_held = f.evaluate(frame.data(), points[i], G);
                if (scalar_held != ((held >> i) & 1))
                    return false;
                if (!scalar_held)
                    continue;
                const f_vec a = dudλ(velocities[i], G);
                const double size =
                    std::max({std::fabs(a[0]), std::fabs(a[1]), std::fabs(a[2]), std::fabs(a[3])});
                for (int k = 0; k < 4; ++k)
                    if (!(std::fabs(out[k * lanes + i] - a[k]) <= 1e-6 * size))
                        return false;
                const MetricNorm n = scalar_norm(program, frame, points[i], velocities[i]);
                const double ulps = 1e-14 * n.scale;
                if (!(std::fabs(out[4 * lanes + i] - n.value) <= ulps &&
                      std::fabs(out[5 * lanes + i] - n.scale) <= ulps &&
                      std::fabs(out[6 * lanes + i] - std::fabs(std::sin(points[i][2]))) <= 1e-15))
                    return false;
            }
            i = 0;
        }
    return true;
}

void tell(QString *note, const char *text)
{
    if (note)
        *note = QCoreApplication::translate("Metric", text);
}

} // namespace

FusedChristoffel::FusedChristoffel(FusedProgram p, std::unique_ptr<FusedBackend> b,
                                   FusedBackendKind k)
    : program(std::move(p)), runner(std::move(b)), stepper(runner->step_entry()), kind(k)
{
    const int zero = static_cast<int>(program.outputs.size());
    for (int i = 0; i < 64; ++i)
        source[i] = program.gamma_output[i] < 0 ? zero : program.gamma_output[i];
    for (int a = 0; a < 4; ++a)
        for (int bc = 0; bc < 16; ++bc)
            if (program.gamma_output[16 * a + bc] >= 0)
                terms[a][term_count[a]++] = static_cast<unsigned char>(bc);
    for (int a = 0; a < 4; ++a) {
        longest_row = std::max(longest_row, term_count[a]);
        for (int i = 0; i < 16; ++i) {
            padded[i][a] = i < term_count[a] ? terms[a][i] : 0;
            padded_source[i][a] = i < term_count[a] ? source[16 * a + terms[a][i]] : zero;
        }
    }
}

std::unique_ptr<FusedChristoffel>
FusedChristoffel::build(const CompiledExpr (&records)[33], const double *params,
                        std::function<tensor_3(f_vec &)> const &reference,
                        FusedBackendKind preferred, QString *note)
{
    if (note)
        note->clear();
    const FusedGraph graph = lower_christoffel(records);
    for (int v : graph.guarded)
        if (graph.nodes[v].op == FusedOp::constant && !(std::fabs(graph.nodes[v].value) <= guard))
            return nullptr;
    FusedProgram program = schedule(graph);
    if (!program.fits() || program.outputs.size() >= max_outputs) {
        tell(note, "Metric too large for fused evaluation; using the byte code.");
        return nullptr;
    }
    auto interpreter = std::unique_ptr<FusedChristoffel>(new FusedChristoffel(
        program, make_fused_interpreter(program), FusedBackendKind::interpreter));
    if (!agrees(*interpreter, params, reference)) {
        tell(note, "Fused metric program disagrees with the byte code; using the byte code.");
        return nullptr;
    }
    if (preferred != FusedBackendKind::native)
        return interpreter;
    if (auto native = make_fused_native(program)) {
        std::unique_ptr<FusedChristoffel> fused(
            new FusedChristoffel(std::move(program), std::move(native), FusedBackendKind::native));
        fused->sample_frame = fused->frame_block(params);
        if (same_as(*fused, *interpreter, fused->sample_frame))
            return fused;
        tell(note, "Generated metric code disagrees with the fused interpreter; "
                   "using the fused interpreter.");
    }
    return interpreter;
}

const PacketStep *FusedChristoffel::packet_step(PacketWidth width) const
{
    const int slot = width == PacketWidth::avx512 ? 1 : 0;
    std::call_once(packet_made[slot], [&] {
        if (kind != FusedBackendKind::native || !stepper || !processor_runs(width))
            return;
        const PacketMath math =
            width == PacketWidth::avx512 ? packet_math_avx512() : packet_math_avx2();
        auto made = make_packet_step(program, width, math);
        if (made && packet_agrees(*made, stepper, sample_frame)) {
            accelerates[slot] = acceleration_agrees(*made, *this, program, sample_frame);
            packets[slot] = std::move(made);
        }
    });
    return packets[slot].get();
}

const PacketStep *FusedChristoffel::packet_acceleration(PacketWidth width) const
{
    const PacketStep *step = packet_step(width);
    return step && accelerates[width == PacketWidth::avx512 ? 1 : 0] ? step : nullptr;
}

std::vector<double> FusedChristoffel::frame_block(const double *params) const
{
    std::vector<double> frame(program.frame_size);
    program.fill_frame(params, frame.data());
    return frame;
}

bool FusedChristoffel::advance(const double *frame, const f_vec &x, const f_vec &u, double h,
                               f_vec &out) const
{
    if (stepper) {
        const double uh[5] = {u[0], u[1], u[2], u[3], h};
        if (stepper(frame, &x[0], uh, &out[0]))
            return true;
    }
    double values[max_outputs];
    if (!run_guarded(frame, x, values))
        return false;
    double g[16][4];
    for (int i = 0; i < longest_row; ++i)
        for (int a = 0; a < 4; ++a)
            g[i][a] = values[padded_source[i][a]];
    if (sparse_step(g, u, h, out))
        return true;
    tensor_3 G;
    scatter(values, G);
    out = ::rungekuta(::dudλ, u, G, h);
    return true;
}

bool FusedChristoffel::evaluate(const double *frame, const f_vec &x, tensor_3 &G) const
{
    double values[max_outputs];
    if (!run_guarded(frame, x, values))
        return false;
    scatter(values, G);
    return true;
}

bool FusedChristoffel::run_guarded(const double *frame, const f_vec &x, double *values) const
{
    runner->run(frame, x, values);
    bool finite = true;
    for (int i = 0; i < program.guarded_count; ++i)
        finite &= std::fabs(values[i]) <= guard;
    values[program.outputs.size()] = 0.0;
    return finite;
}

void FusedChristoffel::scatter(const double *values, tensor_3 &G) const
{
    double *g = &G.v[0][0][0];
    for (int i = 0; i < 64; ++i)
        g[i] = values[source[i]];
}

f_vec FusedChristoffel::rungekuta(f_vec y, const tensor_3 &G, double h) const
{
    double g[16][4] = {};
    const double *flat = &G.v[0][0][0];
    for (int i = 0; i < longest_row; ++i)
        for (int a = 0; a < 4; ++a)
            if (i < term_count[a])
                g[i][a] = flat[16 * a + terms[a][i]];
    f_vec out;
    if (sparse_step(g, y, h, out))
        return out;
    tensor_3 T = G;
    return ::rungekuta(::dudλ, y, T, h);
}

// A sum from +0 that skips only ±0 terms keeps every bit (it never turns
// into −0), and a structurally zero symbol times a finite product is ±0. So
// the rows may also be padded to one length with 0·(finite) terms, which
// lets the four sums run side by side. The products are finite while every
// stage's components stay within 1e150.
bool FusedChristoffel::sparse_step(const double (&g)[16][4], const f_vec &y, double h,
                                   f_vec &out) const
{
    auto bounded = [](const f_vec &v) {
        return std::fabs(v[0]) <= stage_guard && std::fabs(v[1]) <= stage_guard &&
               std::fabs(v[2]) <= stage_guard && std::fabs(v[3]) <= stage_guard;
    };
    auto dudλ = [&](const f_vec &u) {
        double uu[16];
        for (int b = 0; b < 4; ++b)
            for (int c = 0; c < 4; ++c)
                uu[4 * b + c] = u[b] * u[c];
        double acc[4] = {0.0, 0.0, 0.0, 0.0};
        for (int i = 0; i < longest_row; ++i)
            for (int a = 0; a < 4; ++a)
                acc[a] -= g[i][a] * uu[padded[i][a]];
        return f_vec{{acc[0], acc[1], acc[2], acc[3]}};
    };
    const double k = h / 2;
    const f_vec k1 = dudλ(y);
    const f_vec s2 = y + k1 * k, k2 = dudλ(s2);
    const f_vec s3 = y + k2 * k, k3 = dudλ(s3);
    const f_vec s4 = y + k3 * h, k4 = dudλ(s4);
    if (!(bounded(y) && bounded(s2) && bounded(s3) && bounded(s4)))
        return false;
    out = rk4_sum(y, k1, k2, k3, k4, k);
    return true;
}
