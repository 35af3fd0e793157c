// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/fused_packet.h"

#include "physics/step_length.h"

// Qt's signal keyword is a macro that would rewrite the emitter's own emit().
#undef emit
#include <asmjit/x86.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <numbers>
#include <tuple>
#include <vector>

using namespace asmjit;

namespace
{

using Entry = PacketStep::Entry;

// vcmppd's predicates: the ordered ones are false where an operand is NaN,
// the negated ones true.
constexpr int less_ordered = 1;
constexpr int less_equal_ordered = 2;
constexpr int not_less = 5;
constexpr int not_greater = 10;
constexpr int greater_ordered = 30;

class Failure : public ErrorHandler
{
  public:
    bool failed = false;
    void handleError(Error, const char *, BaseEmitter *) override { failed = true; }
};

// The scalar generator's program, one packed instruction per node with the
// operands in the node's order, each lane on its own; values of the frame
// block are broadcast from memory where they are used. A lane's result
// differs from the scalar code's only in the last bits: the vector sines, a
// shared denominator inverted once, a product used only by one sum rounded
// with it (FMA), the stages' sums rounded once per product, taking each
// symmetric symbol once and split in two, and the step's weighted sum scaled
// by h/6 formed once. Guards do not branch: each lane's failures are
// collected in a mask and the step runs to its end for all lanes.
class PacketGenerator
{
  public:
    PacketGenerator(const FusedProgram &p, x86::Compiler &cc, PacketWidth width,
                    const PacketMath &math)
        : p(p), cc(cc), lanes(static_cast<int>(width)), wide(width == PacketWidth::avx512),
          math(math), value(p.register_count)
    {
    }

    // The ordinary step of step_length_at's length outside the axis zone,
    // with |sin θ| from the point code's own sine, and end::exit's tests
    // after it.
    void step()
    {
        using State = PacketStep::State;
        using Out = PacketStep::Out;
        const x86::Gp x = cc.newIntPtr("x");
        const x86::Gp state = cc.newIntPtr("state");
        const x86::Gp out = cc.newIntPtr("out");
        wants_distance = true;
        guarded_body(x, state, out);

        Vec from, y;
        for (int i = 0; i < 4; ++i) {
            from[i] = load(row(x, i));
            y[i] = load(row(state, State::u + i));
        }
        const x86::Vec distance = bitwise_and(axis_sine, bits(0x7fffffffffffffffull));
        const x86::Vec h = step_length(distance, from[1], row(state, State::r_hor),
                                       row(state, State::r_outer), row(state, State::p));
        outside_axis_zone(distance);
        const x86::Vec k = binary(&x86::Compiler::vmulpd, h, constant(0.5));
        const Vec k1 = dudλ(y);
        const Vec k2 = dudλ(axpy(y, k1, k));
        const Vec k3 = dudλ(axpy(y, k2, k));
        const Vec k4 = dudλ(axpy(y, k3, h));
        const x86::Vec k_third = binary(&x86::Compiler::vdivpd, k, constant(3.0));
        Vec u, to;
        for (int i = 0; i < 4; ++i) {
            x86::Vec v = binary(&x86::Compiler::vaddpd, k2[i], k3[i]);
            v = binary(&x86::Compiler::vmulpd, v, constant(2.0));
            v = binary(&x86::Compiler::vaddpd, k1[i], v);
            v = binary(&x86::Compiler::vaddpd, v, k4[i]);
            u[i] = multiply_add(&x86::Compiler::vfmadd231pd, y[i], v, k_third);
            to[i] =
                binary(&x86::Compiler::vaddpd, from[i], binary(&x86::Compiler::vmulpd, u[i], h));
        }
        const LaneMask failed = failures();
        for (int i = 0; i < 4; ++i) {
            cc.vmovupd(row(state, State::u + i), blend(failed, u[i], y[i]));
            cc.vmovupd(row(x, i), blend(failed, to[i], from[i]));
            cc.vmovupd(row(out, Out::start + i), from[i]);
        }
        const x86::Vec angle = angular_step(from, to);
        const x86::Vec path = load(row(state, State::path));
        const x86::Vec steps = load(row(state, State::steps));
        // The first step of a ray only sets the point the path starts from.
        const LaneMask counting = compare(steps, constant(0.0), greater_ordered);
        const x86::Vec path_after =
            binary(&x86::Compiler::vaddpd, path, blend(counting, constant(0.0), angle));
        const x86::Vec steps_after = binary(&x86::Compiler::vaddpd, steps, constant(1.0));
        cc.vmovupd(row(state, State::path), blend(failed, path_after, path));
        cc.vmovupd(row(state, State::steps), blend(failed, steps_after, steps));
        cc.vmovupd(row(out, Out::path_before), path);
        cc.vmovupd(row(out, Out::h), h);
        cc.vmovupd(row(out, Out::distance), distance);
        cc.vmovupd(row(out, Out::angular_step), angle);

        const x86::Vec r = to[1], θ = to[2];
        LaneMask leaving = failed;
        for (const auto &[a, b, predicate] :
             {std::tuple{r, load(row(state, State::r_hor)), not_greater},
              std::tuple{load(row(state, State::r_escape)), r, not_greater},
              std::tuple{load(row(state, State::path_limit)), path_after, not_greater},
              std::tuple{steps_after, load(row(state, State::budget)), not_less},
              std::tuple{θ, constant(0.0), less_ordered},
              std::tuple{θ, constant(std::numbers::pi), greater_ordered}})
            leaving = either(leaving, compare(a, b, predicate));
        const x86::Vec from_plane =
            binary(&x86::Compiler::vsubpd, from[2], constant(std::numbers::pi / 2));
        const x86::Vec to_plane = binary(&x86::Compiler::vsubpd, θ, constant(std::numbers::pi / 2));
        const LaneMask crossed = compare(binary(&x86::Compiler::vmulpd, from_plane, to_plane),
                                         constant(0.0), less_equal_ordered);
        leaving = either(leaving, both(counting, crossed));

        const x86::Gp result = lane_bits(leaving);
        cc.shl(result, 8);
        const x86::Gp taken = lane_bits(failed);
        cc.not_(taken);
        cc.and_(taken, (1 << lanes) - 1);
        cc.or_(result, taken);
        cc.vzeroupper();
        cc.ret(result);
        cc.endFunc();
    }

    void acceleration()
    {
        const x86::Gp x = cc.newIntPtr("x");
        const x86::Gp u = cc.newIntPtr("u");
        const x86::Gp out = cc.newIntPtr("out");
        wants_distance = wants_metric = true;
        guarded_body(x, u, out);
        Vec y;
        for (int i = 0; i < 4; ++i)
            y[i] = load(row(u, i));
        const Vec a = dudλ(y);
        for (int i = 0; i < 4; ++i)
            cc.vmovupd(row(out, i), a[i]);
        const auto [value, scale] = norm(y);
        cc.vmovupd(row(out, 4), value);
        cc.vmovupd(row(out, 5), scale);
        cc.vmovupd(row(out, 6), bitwise_and(axis_sine, bits(0x7fffffffffffffffull)));
        cc.ret(held_lanes());
        cc.endFunc();
    }

  private:
    using Vec = std::array<x86::Vec, 4>;
    using Op = Error (x86::Compiler::*)(const x86::Vec &, const x86::Vec &, const x86::Vec &);

    const FusedProgram &p;
    x86::Compiler &cc;
    const int lanes;
    const bool wide; // zmm, with the failures in a mask register
    const PacketMath &math;
    std::vector<x86::Vec> value;
    x86::Gp frame;
    x86::Mem spill;                             // where operands of the library calls wait
    std::map<int, int> sine_of, cosine_of;      // operand register → result register
    std::map<int, int> divisions_by;            // denominator register → quotients
    std::map<int, x86::Vec> reciprocal_of;      // denominator register → 1 / it
    std::vector<const FusedInstr *> product_of; // register → its product, left to a sum
    std::map<int, std::pair<x86::Vec, x86::Vec>> coordinate_trig; // sin, cos
    x86::KReg failed_mask;
    bool wants_distance = false; // the step's |sin θ|
    bool wants_metric = false;   // g_ij at x: metric_code after point_code
    x86::Vec axis_sine;
    x86::Vec failed_lanes;

    x86::Vec new_vec() { return wide ? x86::Vec(cc.newZmmPd()) : x86::Vec(cc.newYmmPd()); }

    x86::Mem row(const x86::Gp &base, int i) const { return x86::ptr(base, 8 * lanes * i); }

    x86::Vec load(const x86::Mem &m)
    {
        x86::Vec v = new_vec();
        cc.vmovupd(v, m);
        return v;
    }

    x86::Vec broadcast(const x86::Mem &m)
    {
        x86::Vec v = new_vec();
        cc.vbroadcastsd(v, m);
        return v;
    }

    x86::Vec constant(double c) { return broadcast(cc.newConst(ConstPoolScope::kLocal, &c, 8)); }

    x86::Vec bits(std::uint64_t b) { return broadcast(cc.newConst(ConstPoolScope::kLocal, &b, 8)); }

    x86::Vec binary(Op op, const x86::Vec &a, const x86::Vec &b)
    {
        x86::Vec d = new_vec();
        (cc.*op)(d, a, b);
        return d;
    }

    // AVX-512F has the bitwise operations on zmm only for integers; the
    // result is the same.
    x86::Vec bitwise_and(const x86::Vec &a, const x86::Vec &b)
    {
        return wide ? binary(&x86::Compiler::vpandq, a, b) : binary(&x86::Compiler::vandpd, a, b);
    }

    x86::Vec bitwise_xor(const x86::Vec &a, const x86::Vec &b)
    {
        return wide ? binary(&x86::Compiler::vpxorq, a, b) : binary(&x86::Compiler::vxorpd, a, b);
    }

    // A function of (frame, x, second, out) that has run the point code at x
    // and bounded its guarded values.
    void guarded_body(const x86::Gp &x, const x86::Gp &second, const x86::Gp &out)
    {
        FuncNode *f = cc.addFunc(
            FuncSignatureT<unsigned, const double *, const double *, const double *, double *>());
        f->setArg(0, frame = cc.newIntPtr("frame"));
        f->setArg(1, x);
        f->setArg(2, second);
        f->setArg(3, out);
        // Else the register allocator's own moves would be SSE moves, 128 bits.
        f->frame().setAvxEnabled();
        if (wide)
            f->frame().setAvx512Enabled();
        spill = cc.newStack(16 * lanes, 64);
        start_failures();
        body(x);
        for (int i = 0; i < p.guarded_count; ++i)
            bound(in_register(p.outputs[i]), 1e300);
    }

    void start_failures()
    {
        if (wide) {
            const x86::Gp none = cc.newInt32();
            cc.xor_(none, none);
            failed_mask = cc.newKw();
            cc.kmovw(failed_mask, none);
        } else {
            failed_lanes = constant(0.0);
        }
    }

    // A lane fails unless |v| ≤ limit; NaN compares unordered and fails too.
    void bound(const x86::Vec &v, double limit)
    {
        constexpr int not_less_equal_unordered = 6;
        fail_where(bitwise_and(v, bits(0x7fffffffffffffffull)), limit, not_less_equal_unordered);
    }

    // Lanes where `v predicate limit` holds fail.
    void fail_where(const x86::Vec &v, double limit, int predicate)
    {
        if (wide) {
            const x86::KReg m = cc.newKw();
            cc.vcmppd(m, v, constant(limit), predicate);
            cc.korw(failed_mask, failed_mask, m);
        } else {
            const x86::Vec m = new_vec();
            cc.vcmppd(m, v, constant(limit), predicate);
            cc.vorpd(failed_lanes, failed_lanes, m);
        }
    }

    // Lanes picked by a comparison: a vector of all-ones lanes for AVX2, a
    // mask register for AVX-512.
    struct LaneMask {
        x86::Vec v;
        x86::KReg k;
    };

    LaneMask failures() const { return {failed_lanes, failed_mask}; }

    LaneMask compare(const x86::Vec &a, const x86::Vec &b, int predicate)
    {
        if (wide) {
            const x86::KReg m = cc.newKw();
            cc.vcmppd(m, a, b, predicate);
            return {{}, m};
        }
        const x86::Vec m = new_vec();
        cc.vcmppd(m, a, b, predicate);
        return {m, {}};
    }

    LaneMask either(const LaneMask &a, const LaneMask &b)
    {
        if (wide) {
            const x86::KReg m = cc.newKw();
            cc.korw(m, a.k, b.k);
            return {{}, m};
        }
        return {binary(&x86::Compiler::vorpd, a.v, b.v), {}};
    }

    LaneMask both(const LaneMask &a, const LaneMask &b)
    {
        if (wide) {
            const x86::KReg m = cc.newKw();
            cc.kandw(m, a.k, b.k);
            return {{}, m};
        }
        return {binary(&x86::Compiler::vandpd, a.v, b.v), {}};
    }

    // `picked` in the lanes of m, `otherwise` in the others.
    x86::Vec blend(const LaneMask &m, const x86::Vec &otherwise, const x86::Vec &picked)
    {
        const x86::Vec chosen = new_vec();
        if (wide)
            cc.k(m.k).vblendmpd(chosen, otherwise, picked);
        else
            cc.vblendvpd(chosen, otherwise, picked, m.v);
        return chosen;
    }

    // Bit i for lane i.
    x86::Gp lane_bits(const LaneMask &m)
    {
        const x86::Gp b = cc.newInt32();
        if (wide)
            cc.kmovw(b, m.k);
        else
            cc.vmovmskpd(b, m.v);
        return b;
    }

    // step_length_at, operation for operation; vmaxpd and vminpd give their
    // second operand where the first is NaN, as fmax and fmin do for these.
    x86::Vec step_towards(const x86::Vec &distance_to_horizon, const x86::Vec &p,
                          const x86::Vec &distance_from_axis)
    {
        x86::Vec d = bitwise_xor(distance_to_horizon, bits(0x8000000000000000ull));
        d = binary(&x86::Compiler::vmulpd, d, p);
        d = binary(&x86::Compiler::vmulpd, d, distance_from_axis);
        d = binary(&x86::Compiler::vsubpd, d, constant(10.0));
        x86::Vec q = binary(&x86::Compiler::vdivpd, constant(100.0), d);
        q = binary(&x86::Compiler::vaddpd, q, constant(10.0));
        return binary(&x86::Compiler::vmaxpd, q, binary(&x86::Compiler::vdivpd, p, constant(50.0)));
    }

    x86::Vec step_length(const x86::Vec &distance, const x86::Vec &r, const x86::Mem &at_r_hor,
                         const x86::Mem &at_r_outer, const x86::Mem &at_p)
    {
        const x86::Vec p = load(at_p), r_outer = load(at_r_outer);
        const x86::Vec h =
            step_towards(binary(&x86::Compiler::vsubpd, r, load(at_r_hor)), p, distance);
        const x86::Vec to_outer =
            bitwise_and(binary(&x86::Compiler::vsubpd, r_outer, r), bits(0x7fffffffffffffffull));
        const x86::Vec shorter =
            binary(&x86::Compiler::vminpd, step_towards(to_outer, p, distance), h);
        return blend(compare(r_outer, constant(0.0), greater_ordered), h, shorter);
    }

    // √(dθ² + dφ²) from the step's start to its end, as the end test sums it.
    x86::Vec angular_step(const Vec &from, const Vec &to)
    {
        x86::Vec sum;
        for (int k : {2, 3}) {
            const x86::Vec d = binary(&x86::Compiler::vsubpd, from[k], to[k]);
            const x86::Vec square = binary(&x86::Compiler::vmulpd, d, d);
            sum = k == 2 ? square : binary(&x86::Compiler::vaddpd, sum, square);
        }
        const x86::Vec root = new_vec();
        cc.vsqrtpd(root, sum);
        return root;
    }

    // Lanes within the axis zone fail: their step is the caller's.
    void outside_axis_zone(const x86::Vec &distance)
    {
        fail_where(distance, axis_zone, less_ordered);
    }

    x86::Gp held_lanes()
    {
        const x86::Gp failed = cc.newInt32();
        if (wide)
            cc.kmovw(failed, failed_mask);
        else
            cc.vmovmskpd(failed, failed_lanes);
        cc.not_(failed);
        cc.and_(failed, (1 << lanes) - 1);
        // The caller's SSE code would pay for the upper halves left in use.
        cc.vzeroupper();
        return failed;
    }

    // acc ± a·b rounded once (vfmadd231pd: +, vfnmadd231pd: −); every
    // processor that runs packets has FMA.
    x86::Vec multiply_add(Op op, const x86::Vec &acc, const x86::Vec &a, const x86::Vec &b)
    {
        x86::Vec d = new_vec();
        cc.vmovapd(d, acc);
        (cc.*op)(d, a, b);
        return d;
    }

    Vec axpy(const Vec &y, const Vec &v, const x86::Vec &k)
    {
        Vec r;
        for (int i = 0; i < 4; ++i)
            r[i] = multiply_add(&x86::Compiler::vfmadd231pd, y[i], v[i], k);
        return r;
    }

    // The scalar step's sums, the terms of structurally zero symbols left
    // out, the stage vector bounded first. A symbol that is one output for
    // both orders of its lower indices is taken once against 2·u^b·u^c (the
    // doubling is exact), and the terms alternate between two sums so that
    // half as many FMAs wait for each other.
    Vec dudλ(const Vec &u)
    {
        for (int i = 0; i < 4; ++i)
            bound(u[i], 1e150);
        x86::Vec uu[4][4], twice[4];
        Vec r;
        for (int a = 0; a < 4; ++a) {
            x86::Vec acc[2] = {constant(0.0), constant(0.0)};
            int terms = 0;
            for (int b = 0; b < 4; ++b)
                for (int c = 0; c < 4; ++c) {
                    const int o = p.gamma_output[16 * a + 4 * b + c];
                    const bool pair = p.gamma_output[16 * a + 4 * c + b] == o;
                    if (o < 0 || (pair && c < b))
                        continue;
                    // Doubled products above the diagonal, plain ones on and below it.
                    x86::Vec &product =
                        pair && b != c ? uu[b][c] : uu[std::max(b, c)][std::min(b, c)];
                    if (!product.isValid()) {
                        if (pair && b != c) {
                            if (!twice[b].isValid())
                                twice[b] = binary(&x86::Compiler::vaddpd, u[b], u[b]);
                            product = binary(&x86::Compiler::vmulpd, twice[b], u[c]);
                        } else {
                            product = binary(&x86::Compiler::vmulpd, u[b], u[c]);
                        }
                    }
                    x86::Vec &sum = acc[terms++ % 2];
                    sum = multiply_add(&x86::Compiler::vfnmadd231pd, sum, in_register(p.outputs[o]),
                                       product);
                }
            r[a] = binary(&x86::Compiler::vaddpd, acc[0], acc[1]);
        }
        return r;
    }

    // g(u, u) and the sum of the magnitudes of its terms, in the order and
    // with the products of the scalar norm.
    std::pair<x86::Vec, x86::Vec> norm(const Vec &u)
    {
        x86::Vec value = constant(0.0), scale = constant(0.0);
        for (int μ = 0; μ < 4; ++μ)
            for (int ν = μ; ν < 4; ++ν) {
                const int g = p.metric_reg[4 * μ + ν];
                if (g < 0)
                    continue;
                x86::Vec term = binary(&x86::Compiler::vmulpd, in_register(g), u[μ]);
                term = binary(&x86::Compiler::vmulpd, term, u[ν]);
                if (μ != ν)
                    term = binary(&x86::Compiler::vmulpd, term, constant(2.0));
                value = binary(&x86::Compiler::vaddpd, value, term);
                scale = binary(&x86::Compiler::vaddpd, scale,
                               bitwise_and(term, bits(0x7fffffffffffffffull)));
            }
        return {value, scale};
    }

    // The point code, and the metric's after it where wanted.
    std::vector<FusedInstr> code() const
    {
        std::vector<FusedInstr> all = p.point_code;
        if (wants_metric)
            all.insert(all.end(), p.metric_code.begin(), p.metric_code.end());
        return all;
    }

    void body(const x86::Gp &x)
    {
        const std::vector<FusedInstr> all = code();
        for (const FusedInstr &i : all)
            if (i.op == FusedOp::sin || i.op == FusedOp::cos)
                (i.op == FusedOp::sin ? sine_of : cosine_of)[i.a] = i.dst;
        for (const FusedInstr &i : all)
            if (i.op == FusedOp::div)
                ++divisions_by[i.b];
        find_products_to_fuse(all);
        for (int k = 0; k < 4; ++k)
            if (p.coordinate_reg[k] >= 0)
                value[p.coordinate_reg[k]] = load(row(x, k));
        if (wants_distance)
            axis_sine = p.coordinate_reg[2] >= 0 ? trig_of_coordinate(p.coordinate_reg[2]).first
                                                 : sine_and_cosine_of(load(row(x, 2))).first;
        for (const FusedInstr &i : all)
            instruction(i);
    }

    // A product whose only use is one sum or difference is rounded once
    // with it (FMA): an instruction and a rounding fewer.
    void find_products_to_fuse(const std::vector<FusedInstr> &code)
    {
        std::vector<int> uses(p.register_count);
        for (const FusedInstr &i : code) {
            ++uses[i.a];
            if (!is_unary(i.op))
                ++uses[i.b];
        }
        for (int o : p.outputs)
            ++uses[o];
        if (wants_metric)
            for (int g : p.metric_reg)
                if (g >= 0)
                    ++uses[g];
        std::vector<const FusedInstr *> product(p.register_count);
        for (const FusedInstr &i : code)
            if (i.op == FusedOp::mul && uses[i.dst] == 1)
                product[i.dst] = &i;
        product_of.assign(p.register_count, nullptr);
        for (const FusedInstr &i : code) {
            if (i.op != FusedOp::add && i.op != FusedOp::sub)
                continue;
            if (product[i.b])
                product_of[i.b] = product[i.b];
            else if (product[i.a])
                product_of[i.a] = product[i.a];
        }
    }

    // a ± b with one of them a product left to it.
    x86::Vec fused_sum(const FusedInstr &i)
    {
        const bool subtract = i.op == FusedOp::sub;
        Op op = &x86::Compiler::vfmadd231pd;
        if (const FusedInstr *m = product_of[i.b]) {
            if (subtract)
                op = &x86::Compiler::vfnmadd231pd;
            return multiply_add(op, in_register(i.a), in_register(m->a), in_register(m->b));
        }
        const FusedInstr *m = product_of[i.a];
        if (subtract)
            op = &x86::Compiler::vfmsub231pd;
        return multiply_add(op, in_register(i.b), in_register(m->a), in_register(m->b));
    }

    bool is_coordinate(int reg) const
    {
        return std::find(std::begin(p.coordinate_reg), std::end(p.coordinate_reg), reg) !=
               std::end(p.coordinate_reg);
    }

    std::pair<x86::Vec, x86::Vec> sine_and_cosine_of(const x86::Vec &a)
    {
        const x86::Mem v = spill;
        const x86::Mem c = spill.cloneAdjusted(8 * lanes);
        cc.vmovupd(v, a);
        const x86::Gp at = cc.newIntPtr();
        const x86::Gp into = cc.newIntPtr();
        cc.lea(at, v);
        cc.lea(into, c);
        InvokeNode *node;
        cc.invoke(&node, imm(reinterpret_cast<void *>(math.sincos)),
                  FuncSignatureT<void, double *, double *>());
        node->setArg(0, at);
        node->setArg(1, into);
        return {load(v), load(c)};
    }

    // One library call per coordinate gives its sine and cosine, for the
    // point code and the step's |sin θ| alike.
    const std::pair<x86::Vec, x86::Vec> &trig_of_coordinate(int reg)
    {
        auto found = coordinate_trig.find(reg);
        if (found != coordinate_trig.end())
            return found->second;
        return coordinate_trig[reg] = sine_and_cosine_of(value[reg]);
    }

    bool in_frame(int reg) const { return reg < p.frame_size; }

    // A division costs as much as a dozen multiplications: a denominator
    // shared by several quotients is inverted once, which moves each
    // quotient by an ulp at most.
    const x86::Vec &reciprocal(int reg)
    {
        auto found = reciprocal_of.find(reg);
        if (found != reciprocal_of.end())
            return found->second;
        return reciprocal_of[reg] = binary(&x86::Compiler::vdivpd, constant(1.0), in_register(reg));
    }

    x86::Vec in_register(int reg)
    {
        if (!in_frame(reg))
            return value[reg];
        return broadcast(x86::ptr(frame, 8 * reg));
    }

    // sin a and cos a of one a in one call.
    void sine_and_cosine(int a)
    {
        std::tie(value[sine_of.at(a)], value[cosine_of.at(a)]) = sine_and_cosine_of(in_register(a));
    }

    LaneFunction lane_function(FusedOp op) const
    {
        switch (op) {
        case FusedOp::sin:
            return math.sin;
        case FusedOp::cos:
            return math.cos;
        case FusedOp::exp:
            return math.exp;
        case FusedOp::log:
            return math.log;
        case FusedOp::sinh:
            return math.sinh;
        case FusedOp::cosh:
            return math.cosh;
        default:
            return math.tanh;
        }
    }

    // The operands wait in memory while the function replaces them there.
    void call(const FusedInstr &i)
    {
        const bool trig = i.op == FusedOp::sin || i.op == FusedOp::cos;
        if (trig && is_coordinate(i.a)) {
            const auto &[sine, cosine] = trig_of_coordinate(i.a);
            value[i.dst] = i.op == FusedOp::sin ? sine : cosine;
            return;
        }
        if (trig && sine_of.count(i.a) && cosine_of.count(i.a)) {
            if (!value[i.dst].isValid())
                sine_and_cosine(i.a);
            return;
        }
        const x86::Mem a = spill;
        const x86::Mem b = spill.cloneAdjusted(8 * lanes);
        cc.vmovupd(a, in_register(i.a));
        const x86::Gp at = cc.newIntPtr();
        cc.lea(at, a);
        InvokeNode *node;
        if (i.op == FusedOp::pow) {
            cc.vmovupd(b, in_register(i.b));
            const x86::Gp exponent = cc.newIntPtr();
            cc.lea(exponent, b);
            cc.invoke(&node, imm(reinterpret_cast<void *>(math.pw)),
                      FuncSignatureT<void, double *, const double *>());
            node->setArg(1, exponent);
        } else {
            cc.invoke(&node, imm(reinterpret_cast<void *>(lane_function(i.op))),
                      FuncSignatureT<void, double *>());
        }
        node->setArg(0, at);
        value[i.dst] = load(a);
    }

    void instruction(const FusedInstr &i)
    {
        if (i.op == FusedOp::mul && product_of[i.dst])
            return;
        if ((i.op == FusedOp::add || i.op == FusedOp::sub) &&
            (product_of[i.a] || product_of[i.b])) {
            value[i.dst] = fused_sum(i);
            return;
        }
        switch (i.op) {
        case FusedOp::add:
            value[i.dst] = binary(&x86::Compiler::vaddpd, in_register(i.a), in_register(i.b));
            return;
        case FusedOp::sub:
            value[i.dst] = binary(&x86::Compiler::vsubpd, in_register(i.a), in_register(i.b));
            return;
        case FusedOp::mul:
            value[i.dst] = binary(&x86::Compiler::vmulpd, in_register(i.a), in_register(i.b));
            return;
        case FusedOp::div:
            value[i.dst] = divisions_by[i.b] > 1
                               ? binary(&x86::Compiler::vmulpd, in_register(i.a), reciprocal(i.b))
                               : binary(&x86::Compiler::vdivpd, in_register(i.a), in_register(i.b));
            return;
        case FusedOp::neg:
            value[i.dst] = bitwise_xor(in_register(i.a), bits(0x8000000000000000ull));
            return;
        case FusedOp::sqrt: // correctly rounded per lane, as the scalar sqrtsd
            value[i.dst] = new_vec();
            cc.vsqrtpd(value[i.dst], in_register(i.a));
            return;
        default:
            return call(i);
        }
    }
};

class NativePacket final : public PacketStep
{
  public:
    NativePacket(int lanes, const PacketMath &math, std::unique_ptr<JitRuntime> rt, Entry fn,
                 Acceleration accel)
        : PacketStep(lanes, math), rt(std::move(rt)), fn(fn), accel(accel)
    {
    }
    ~NativePacket() override
    {
        rt->release(fn);
        rt->release(accel);
    }

    Entry entry() const override { return fn; }
    Acceleration acceleration() const override { return accel; }

  private:
    std::unique_ptr<JitRuntime> rt;
    Entry fn;
    Acceleration accel;
};

// One function of the generator into the runtime; null where it fails.
template <typename Fn, typename Make>
Fn generate(JitRuntime &rt, const FusedProgram &program, PacketWidth width, const PacketMath &math,
            Make make)
{
    CodeHolder code;
    Failure failure;
    code.init(rt.environment());
    code.setErrorHandler(&failure);
    x86::Compiler cc(&code);
    PacketGenerator generator(program, cc, width, math);
    (generator.*make)();
    cc.finalize();
    Fn fn = nullptr;
    if (failure.failed || rt.add(&fn, &code) != kErrorOk)
        return nullptr;
    return fn;
}

} // namespace

bool processor_runs(PacketWidth width)
{
    if (width == PacketWidth::avx512)
        return __builtin_cpu_supports("avx512f");
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}

std::unique_ptr<PacketStep> make_packet_step(const FusedProgram &program, PacketWidth width,
                                             const PacketMath &math)
{
    auto rt = std::make_unique<JitRuntime>();
    if (rt->environment().arch() != Arch::kX64 || !processor_runs(width) || !math.complete())
        return nullptr;
    const Entry fn = generate<Entry>(*rt, program, width, math, &PacketGenerator::step);
    const auto accel = generate<PacketStep::Acceleration>(*rt, program, width, math,
                                                          &PacketGenerator::acceleration);
    if (!fn || !accel) {
        if (fn)
            rt->release(fn);
        if (accel)
            rt->release(accel);
        return nullptr;
    }
    return std::make_unique<NativePacket>(static_cast<int>(width), math, std::move(rt), fn, accel);
}
