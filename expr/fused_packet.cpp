#include "expr/fused_packet.h"

// Qt's signal keyword is a macro that would rewrite the emitter's own emit().
#undef emit
#include <asmjit/x86.h>

#include <array>
#include <cstdint>
#include <map>
#include <vector>

using namespace asmjit;

namespace
{

using Entry = PacketStep::Entry;

class Failure : public ErrorHandler
{
  public:
    bool failed = false;
    void handleError(Error, const char *, BaseEmitter *) override { failed = true; }
};

// The scalar generator's program, one packed instruction per node with the
// operands in the node's order, so that every lane gets the IEEE result of
// the scalar code; values of the frame block are broadcast from memory where
// they are used. Guards do not branch: each lane's failures are collected
// in a mask and the step runs to its end for all lanes.
class PacketGenerator
{
  public:
    PacketGenerator(const FusedProgram &p, x86::Compiler &cc, PacketWidth width,
                    const PacketMath &math)
        : p(p), cc(cc), lanes(static_cast<int>(width)), wide(width == PacketWidth::avx512),
          math(math), value(p.register_count)
    {
    }

    void step()
    {
        const x86::Gp x = cc.newIntPtr("x");
        const x86::Gp uh = cc.newIntPtr("uh");
        const x86::Gp out = cc.newIntPtr("out");
        guarded_body(x, uh, out);

        Vec y, k1, k2, k3, k4;
        for (int i = 0; i < 4; ++i)
            y[i] = load(row(uh, i));
        const x86::Vec h = load(row(uh, 4));
        const x86::Vec k = binary(&x86::Compiler::vmulpd, h, constant(0.5));
        k1 = dudλ(y);
        k2 = dudλ(axpy(y, k1, k));
        k3 = dudλ(axpy(y, k2, k));
        k4 = dudλ(axpy(y, k3, h));
        for (int i = 0; i < 4; ++i) {
            x86::Vec v = binary(&x86::Compiler::vaddpd, k2[i], k3[i]);
            v = binary(&x86::Compiler::vmulpd, v, constant(2.0));
            v = binary(&x86::Compiler::vaddpd, k1[i], v);
            v = binary(&x86::Compiler::vaddpd, v, k4[i]);
            v = binary(&x86::Compiler::vmulpd, v, k);
            v = binary(&x86::Compiler::vdivpd, v, constant(3.0));
            cc.vmovupd(row(out, i), binary(&x86::Compiler::vaddpd, y[i], v));
        }
        cc.ret(held_lanes());
        cc.endFunc();
    }

    void acceleration()
    {
        const x86::Gp x = cc.newIntPtr("x");
        const x86::Gp u = cc.newIntPtr("u");
        const x86::Gp out = cc.newIntPtr("out");
        guarded_body(x, u, out);
        Vec y;
        for (int i = 0; i < 4; ++i)
            y[i] = load(row(u, i));
        const Vec a = dudλ(y);
        for (int i = 0; i < 4; ++i)
            cc.vmovupd(row(out, i), a[i]);
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
    x86::Mem spill;                        // where operands of the library calls wait
    std::map<int, int> sine_of, cosine_of; // operand register → result register
    x86::KReg failed_mask;
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
        const x86::Vec a = bitwise_and(v, bits(0x7fffffffffffffffull));
        if (wide) {
            const x86::KReg m = cc.newKw();
            cc.vcmppd(m, a, constant(limit), not_less_equal_unordered);
            cc.korw(failed_mask, failed_mask, m);
        } else {
            const x86::Vec m = new_vec();
            cc.vcmppd(m, a, constant(limit), not_less_equal_unordered);
            cc.vorpd(failed_lanes, failed_lanes, m);
        }
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

    Vec axpy(const Vec &y, const Vec &v, const x86::Vec &k)
    {
        Vec r;
        for (int i = 0; i < 4; ++i)
            r[i] = binary(&x86::Compiler::vaddpd, y[i], binary(&x86::Compiler::vmulpd, v[i], k));
        return r;
    }

    // The scalar step's sums: from +0, the terms of structurally zero
    // symbols left out, the stage vector bounded first.
    Vec dudλ(const Vec &u)
    {
        for (int i = 0; i < 4; ++i)
            bound(u[i], 1e150);
        x86::Vec uu[4][4];
        Vec r;
        for (int a = 0; a < 4; ++a) {
            x86::Vec acc = constant(0.0);
            for (int bc = 0; bc < 16; ++bc) {
                const int o = p.gamma_output[16 * a + bc];
                if (o < 0)
                    continue;
                const int b = bc / 4, c = bc % 4;
                if (!uu[b][c].isValid())
                    uu[b][c] = uu[c][b] = binary(&x86::Compiler::vmulpd, u[b], u[c]);
                acc = binary(&x86::Compiler::vsubpd, acc,
                             binary(&x86::Compiler::vmulpd, in_register(p.outputs[o]), uu[b][c]));
            }
            r[a] = acc;
        }
        return r;
    }

    void body(const x86::Gp &x)
    {
        for (const FusedInstr &i : p.point_code)
            if (i.op == FusedOp::sin || i.op == FusedOp::cos)
                (i.op == FusedOp::sin ? sine_of : cosine_of)[i.a] = i.dst;
        for (int k = 0; k < 4; ++k)
            if (p.coordinate_reg[k] >= 0)
                value[p.coordinate_reg[k]] = load(row(x, k));
        for (const FusedInstr &i : p.point_code)
            instruction(i);
    }

    bool in_frame(int reg) const { return reg < p.frame_size; }

    x86::Vec in_register(int reg)
    {
        if (!in_frame(reg))
            return value[reg];
        return broadcast(x86::ptr(frame, 8 * reg));
    }

    // sin a and cos a of one a in one call.
    void sine_and_cosine(int a)
    {
        const x86::Mem v = spill;
        const x86::Mem c = spill.cloneAdjusted(8 * lanes);
        cc.vmovupd(v, in_register(a));
        const x86::Gp at = cc.newIntPtr();
        const x86::Gp into = cc.newIntPtr();
        cc.lea(at, v);
        cc.lea(into, c);
        InvokeNode *node;
        cc.invoke(&node, imm(reinterpret_cast<void *>(math.sincos)),
                  FuncSignatureT<void, double *, double *>());
        node->setArg(0, at);
        node->setArg(1, into);
        value[sine_of.at(a)] = load(v);
        value[cosine_of.at(a)] = load(c);
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
        if (i.op != FusedOp::pow && sine_of.count(i.a) && cosine_of.count(i.a)) {
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
            value[i.dst] = binary(&x86::Compiler::vdivpd, in_register(i.a), in_register(i.b));
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
