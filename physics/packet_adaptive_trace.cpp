// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/packet_adaptive_trace.h"

#include "expr/fused_packet.h"
#include "expr/metric.h"
#include "physics/adaptive_trace.h"
#include "physics/dormand_prince.h"
#include "physics/packet_trace.h"

#include <immintrin.h>

#include <cmath>

using namespace dormand_prince;

namespace
{

constexpr int most_lanes = 8;

// What AdaptiveGeodesic keeps of a ray, lane by lane: component k of lane l
// at [k][l], of stage i at [i][k][l], so that the arithmetic common to every
// lane runs on all of them at once.
struct Lanes {
    double x[4][most_lanes], u[4][most_lanes]; // the step's start
    double U[7][4][most_lanes], A[7][4][most_lanes];
    double coefficient[6][most_lanes]; // row `stage` of the tableau, 0 past it
    double h[most_lanes], sin_start[most_lanes], sin_end[most_lanes];
    int stage[most_lanes]; // 0: the lane wants its start's acceleration
};

// The point of every lane's stage into the packet's rows x and u: the step's
// start where it wants that, else the stage from the stages before it. Four
// lanes side by side in AVX2 registers: the packets run only where the
// processor has AVX2 and FMA (processor_runs).
__attribute__((target("avx2,fma"))) void stage_points(const Lanes &s, int lanes, double *x,
                                                      double *u)
{
    for (int o = 0; o < lanes; o += 4) {
        const __m256i stage =
            _mm256_cvtepi32_epi64(_mm_loadu_si128(reinterpret_cast<const __m128i *>(&s.stage[o])));
        __m256d below[6]; // stage j of each lane is one before its current stage
        for (int j = 0; j < 6; ++j)
            below[j] = _mm256_castsi256_pd(_mm256_cmpgt_epi64(stage, _mm256_set1_epi64x(j)));
        const __m256d h = _mm256_and_pd(below[0], _mm256_loadu_pd(&s.h[o]));
        for (int k = 0; k < 4; ++k) {
            __m256d dx = _mm256_setzero_pd(), du = _mm256_setzero_pd();
            for (int j = 0; j < 6; ++j) {
                const __m256d c = _mm256_loadu_pd(&s.coefficient[j][o]);
                // Masked, not multiplied by 0: a later stage of an earlier
                // attempt may hold infinities.
                dx = _mm256_add_pd(
                    dx, _mm256_and_pd(below[j], _mm256_mul_pd(_mm256_loadu_pd(&s.U[j][k][o]), c)));
                du = _mm256_add_pd(
                    du, _mm256_and_pd(below[j], _mm256_mul_pd(_mm256_loadu_pd(&s.A[j][k][o]), c)));
            }
            const __m256d x0 = _mm256_loadu_pd(&s.x[k][o]), u0 = _mm256_loadu_pd(&s.u[k][o]);
            _mm256_storeu_pd(
                &x[k * lanes + o],
                _mm256_blendv_pd(x0, _mm256_add_pd(x0, _mm256_mul_pd(dx, h)), below[0]));
            _mm256_storeu_pd(
                &u[k * lanes + o],
                _mm256_blendv_pd(u0, _mm256_add_pd(u0, _mm256_mul_pd(du, h)), below[0]));
        }
    }
}

bool finite(const double (&v)[4][most_lanes], int l)
{
    return std::isfinite(v[0][l]) && std::isfinite(v[1][l]) && std::isfinite(v[2][l]) &&
           std::isfinite(v[3][l]);
}

f_vec column(const double (&v)[4][most_lanes], int l)
{
    return {{v[0][l], v[1][l], v[2][l], v[3][l]}};
}

void set_column(double (&v)[4][most_lanes], int l, const f_vec &c)
{
    for (int k = 0; k < 4; ++k)
        v[k][l] = c[k];
}

// The ray of one lane and what of its step is not arithmetic shared by all.
struct Ray {
    int id = -1; // -1: idle, the batch is used up
    f_vec x{}, u{}, launch{};
    end e{0, 0};
    AdaptiveLimits limits{};
    long long attempted = 0;
    double h_next = 0, floor = 0;
    bool refused = false, at_floor = false, inside = false;
    f_vec dipped{}, x_end{};
    // The acceleration in A[0] belongs to this point while known.
    f_vec here_x{}, here_u{};
    Spacetime::Norm here_norm{};
    bool here_known = false;
    DenseStep last;
};

class AdaptivePacketTrace
{
  public:
    AdaptivePacketTrace(Metric const &m, PacketStep const &step, double p,
                        std::atomic<bool> const *cancel, RayBatch &batch)
        : space(m), acceleration(step.acceleration()), frame(m.fused_frame()), lanes(step.lanes()),
          p(p), cancel(cancel), batch(batch)
    {
    }

    void run()
    {
        for (int l = 0; l < lanes; ++l) {
            idle(l);
            take(l);
        }
        while (queue.busy())
            round();
    }

  private:
    // Idle lanes still compute: give them a harmless point to work on.
    void idle(int l)
    {
        set_column(s.x, l, {{0, 10, 1, 0}});
        set_column(s.u, l, {});
        s.stage[l] = 0;
    }

    void take(int l)
    {
        Ray &ray = rays[l];
        ray.id = queue.take(ray.id, ray.x, ray.u, ray.e);
        if (ray.id < 0)
            return idle(l);
        ray.launch = ray.u;
        ray.limits = adaptive_limits(ray.e, p, false);
        ray.attempted = 0;
        ray.h_next = 0;
        ray.here_known = false;
        ray.last = {};
        start(l);
    }

    // AdaptiveGeodesic::start: the acceleration at the start is known when
    // the ray goes on from where its last step ended.
    void start(int l)
    {
        Ray &ray = rays[l];
        set_column(s.x, l, ray.x);
        set_column(s.u, l, ray.u);
        const auto same = [](const f_vec &a, const f_vec &b) {
            return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && a[3] == b[3];
        };
        if (ray.here_known && same(ray.here_x, ray.x) && same(ray.here_u, ray.u))
            return begin_attempts(l);
        ray.here_x = ray.x;
        ray.here_u = ray.u;
        s.stage[l] = 0;
    }

    void begin_attempts(int l)
    {
        Ray &ray = rays[l];
        const double reach = std::fabs(ray.x[1]) / spatial_speed(ray.x, ray.u, s.sin_start[l]);
        ray.floor = std::fmin(floor_share * reach, HUGE_VAL);
        s.h[l] = std::fmin(ray.h_next > 0 ? ray.h_next : first_share * reach, HUGE_VAL);
        ray.refused = false;
        next_attempt(l);
    }

    void next_attempt(int l)
    {
        Ray &ray = rays[l];
        if (ray.attempted >= ray.limits.budget)
            return end_step(l, StepEnd::lost);
        ++ray.attempted;
        s.h[l] = std::fmax(s.h[l], ray.floor);
        ray.at_floor = s.h[l] <= ray.floor;
        ray.inside = false;
        for (int k = 0; k < 4; ++k)
            s.U[0][k][l] = s.u[k][l];
        to_stage(l, 1);
    }

    void to_stage(int l, int i)
    {
        s.stage[l] = i;
        for (int j = 0; j < 6; ++j)
            s.coefficient[j][l] = A[i][j];
    }

    // One acceleration of every lane.
    void round()
    {
        stage_points(s, lanes, x, u);
        const unsigned held = acceleration(frame, x, u, out);
        for (int l = 0; l < lanes; ++l)
            if (rays[l].id >= 0 && !((held >> l) & 1))
                on_scalar_path(l);
        for (int l = 0; l < lanes; ++l)
            if (rays[l].id >= 0)
                store(l);
        for (int l = 0; l < lanes; ++l)
            if (rays[l].id >= 0)
                supplied(l);
    }

    // A lane whose packet guards failed has its values from the scalar path.
    void on_scalar_path(int l)
    {
        f_vec const at = column_of(x, l), v = column_of(u, l);
        const f_vec a = space.acceleration(at, v);
        const Spacetime::Norm n = space.norm(at, v);
        for (int k = 0; k < 4; ++k)
            out[k * lanes + l] = a[k];
        out[4 * lanes + l] = n.value;
        out[5 * lanes + l] = n.scale;
        out[6 * lanes + l] = std::fabs(std::sin(at[2]));
    }

    f_vec column_of(const double *rows, int l) const
    {
        return {{rows[l], rows[lanes + l], rows[2 * lanes + l], rows[3 * lanes + l]}};
    }

    // The acceleration into its stage, and what the error measure needs.
    void store(int l)
    {
        const int i = s.stage[l];
        for (int k = 0; k < 4; ++k) {
            s.A[i][k][l] = out[k * lanes + l];
            s.U[i][k][l] = u[k * lanes + l];
        }
        s.sin_end[l] = out[6 * lanes + l];
        if (i == 0)
            return;
        Ray &ray = rays[l];
        const f_vec X = column_of(x, l);
        if (X[1] <= ray.limits.r_capture && !ray.inside) {
            ray.inside = true;
            ray.dipped = X;
        }
        if (i == 6)
            ray.x_end = X;
    }

    void supplied(int l)
    {
        Ray &ray = rays[l];
        const int i = s.stage[l];
        if (i == 0) {
            ray.here_norm = {out[4 * lanes + l], out[5 * lanes + l]};
            s.sin_start[l] = s.sin_end[l];
            ray.here_known = true;
            return begin_attempts(l);
        }
        if (i < 6)
            return to_stage(l, i + 1);
        judge(l);
    }

    // AdaptiveGeodesic::judge_attempt: take the step, refuse it for a
    // shorter one, or give up.
    void judge(int l)
    {
        Ray &ray = rays[l];
        const bool finite_end = std::isfinite(ray.x_end[0]) && std::isfinite(ray.x_end[1]) &&
                                std::isfinite(ray.x_end[2]) && std::isfinite(ray.x_end[3]) &&
                                finite(s.U[6], l) && finite(s.A[6], l);
        const double error = finite_end ? error_of(l) : HUGE_VAL;
        const bool through = ray.inside && !(ray.x_end[1] <= ray.limits.r_capture);
        const Spacetime::Norm after{out[4 * lanes + l], out[5 * lanes + l]};
        const bool good =
            !through && (error <= 1 || (ray.at_floor && finite_end)) && !jumped(l, after);
        const double h = s.h[l];
        if (good) {
            DenseStep &last = ray.last;
            last.x0 = column(s.x, l);
            last.u0 = column(s.u, l);
            last.x1 = ray.x_end;
            last.u1 = column(s.U[6], l);
            for (int j = 0; j < 7; ++j) {
                last.U[j] = column(s.U[j], l);
                last.A[j] = column(s.A[j], l);
            }
            last.h = h;
            ray.here_x = last.x1;
            ray.here_u = last.u1;
            ray.here_norm = after;
            s.sin_start[l] = s.sin_end[l];
            for (int k = 0; k < 4; ++k)
                s.A[0][k][l] = s.A[6][k][l];
            ray.h_next = grown(h, error, ray.refused);
            ray.x = last.x1;
            ray.u = last.u1;
            return end_step(l, StepEnd::taken);
        }
        if (ray.at_floor) {
            if (!ray.inside)
                return end_step(l, StepEnd::lost);
            ray.x = ray.dipped;
            ray.u = column(s.u, l);
            return end_step(l, StepEnd::captured);
        }
        ray.refused = true;
        s.h[l] = shrunk(h, error);
        next_attempt(l);
    }

    // AdaptiveGeodesic's error measure of the lane's attempt: the difference
    // of the two orders as a displacement and a turn in the flat metric of
    // the coordinates, against r and the ray's speed, over the tolerance.
    // The lengths are taken over r, where no square overflows while the
    // stages stay within the packet guard's bound.
    double error_of(int l) const
    {
        f_vec dx{}, du{};
        for (int k = 0; k < 4; ++k) {
            for (int i = 0; i < 7; ++i) {
                dx[k] += s.U[i][k][l] * E[i];
                du[k] += s.A[i][k][l] * E[i];
            }
            dx[k] *= s.h[l];
            du[k] *= s.h[l];
        }
        const double r = std::fabs(s.x[1][l]);
        const double sin_θ = std::fmax(s.sin_start[l], s.sin_end[l]);
        auto length = [&](const f_vec &v) {
            const double a = v[1] / r, b = v[2], c = sin_θ * v[3];
            return std::sqrt(a * a + b * b + c * c);
        };
        const f_vec v = column(s.u, l);
        const double speed = length(v), u_t = std::fabs(v[0]);
        const double turn = length(du) / (speed > 0 ? speed : (u_t > 0 ? u_t : 1.0) / r);
        const double time = std::fmax(std::fabs(dx[0]) / r, std::fabs(du[0]) / u_t);
        return std::fmax(std::fmax(length(dx), turn), time) / rays[l].limits.tolerance;
    }

    // A jump of r, θ or g(u, u).
    bool jumped(int l, const Spacetime::Norm &after) const
    {
        const Ray &ray = rays[l];
        const double r = s.x[1][l], θ = s.x[2][l];
        if (std::fabs(ray.x_end[1] - r) > r_jump * std::fabs(r))
            return true;
        if (std::fabs(ray.x_end[2] - θ) > θ_jump)
            return true;
        const Spacetime::Norm &before = ray.here_norm;
        const double allowed = norm_jump * ray.limits.tolerance *
                               std::fmax(std::fabs(after.scale), std::fabs(before.scale));
        return !(std::fabs(after.value - before.value) <= allowed);
    }

    // The lane's step has ended: its ray goes on from the point, or the lane
    // takes the next ray.
    void end_step(int l, StepEnd how)
    {
        Ray &ray = rays[l];
        if (how == StepEnd::lost) {
            ray.x = column(s.x, l);
            ray.u = column(s.u, l);
        }
        if (adaptive_step_done(space.metric(), p, ray.last, how, ray.x, ray.u, ray.e, nullptr,
                               cancel))
            return start(l);
        batch.finish(ray.id, ray.x, ray.u, ray.launch, ray.e);
        take(l);
    }

    MetricSpacetime space;
    PacketStep::Acceleration acceleration;
    const double *frame;
    int lanes;
    double p;
    std::atomic<bool> const *cancel;
    RayBatch &batch;
    RayQueue queue{batch};
    Ray rays[most_lanes];
    Lanes s{};
    // The packet's rows: the points whose acceleration is wanted, and what the
    // acceleration entry returns for them.
    alignas(64) double x[4 * most_lanes] = {};
    alignas(64) double u[4 * most_lanes] = {};
    alignas(64) double out[7 * most_lanes] = {};
};

} // namespace

void trace_adaptive_packets(Metric const &m, PacketStep const &step, double p,
                            std::atomic<bool> const *cancel, RayBatch &batch)
{
    AdaptivePacketTrace(m, step, p, cancel, batch).run();
}
