// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/fused_backend.h"
#include "expr/libm_calls.h"

// Qt's signal keyword is a macro that would rewrite the emitter's own emit().
#undef emit
#include <asmjit/x86.h>

#include <array>
#include <cmath>
#include <vector>

using namespace asmjit;

namespace
{

using Entry = void (*)(const double *frame, const double *x, double *out);
using StepEntry = FusedBackend::StepEntry;

// Powers as the byte code computes them.
double call_pw(double a, double b)
{
    return power(a, b);
}

class Failure : public ErrorHandler
{
  public:
    bool failed = false;
    void handleError(Error, const char *, BaseEmitter *) override { failed = true; }
};

// Scalar SSE2 only, one instruction per node and operands in the node's
// order, so each result is the IEEE result the interpreter computes; the
// frame block is read straight from memory.
class Generator
{
  public:
    Generator(const FusedProgram &p, x86::Compiler &cc) : p(p), cc(cc), value(p.register_count) {}

    // void(frame, x, out): the program's outputs.
    void outputs()
    {
        FuncNode *f = cc.addFunc(FuncSignatureT<void, const double *, const double *, double *>());
        const x86::Gp x = cc.newIntPtr("x");
        const x86::Gp out = cc.newIntPtr("out");
        f->setArg(0, frame = cc.newIntPtr("frame"));
        f->setArg(1, x);
        f->setArg(2, out);
        body(x);
        for (std::size_t i = 0; i < p.outputs.size(); ++i)
            cc.movsd(x86::ptr(out, static_cast<int>(8 * i)), in_register(p.outputs[i]));
        cc.endFunc();
    }

    // int(frame, x, uh, out): the Runge–Kutta step of FusedChristoffel with
    // uh = (u, h), the symbols kept in registers; 0 (out untouched) where a
    // guarded value or a stage vector leaves its bound.
    void step()
    {
        FuncNode *f = cc.addFunc(
            FuncSignatureT<int, const double *, const double *, const double *, double *>());
        const x86::Gp x = cc.newIntPtr("x");
        const x86::Gp uh = cc.newIntPtr("uh");
        const x86::Gp out = cc.newIntPtr("out");
        f->setArg(0, frame = cc.newIntPtr("frame"));
        f->setArg(1, x);
        f->setArg(2, uh);
        f->setArg(3, out);
        fail = cc.newLabel();
        body(x);
        for (int i = 0; i < p.guarded_count; ++i)
            bound(in_register(p.outputs[i]), 1e300);

        Vec y, k1, k2, k3, k4, s;
        for (int i = 0; i < 4; ++i) {
            y[i] = cc.newXmmSd();
            cc.movsd(y[i], x86::ptr(uh, 8 * i));
        }
        const x86::Xmm h = load(x86::ptr(uh, 32));
        const x86::Xmm k = binary(&x86::Compiler::mulsd, h, constant(0.5));
        k1 = dudλ(y);
        k2 = dudλ(axpy(y, k1, k));
        k3 = dudλ(axpy(y, k2, k));
        k4 = dudλ(axpy(y, k3, h));
        for (int i = 0; i < 4; ++i) {
            x86::Xmm v = binary(&x86::Compiler::addsd, k2[i], k3[i]);
            v = binary(&x86::Compiler::mulsd, v, constant(2.0));
            v = binary(&x86::Compiler::addsd, k1[i], v);
            v = binary(&x86::Compiler::addsd, v, k4[i]);
            v = binary(&x86::Compiler::mulsd, v, k);
            v = binary(&x86::Compiler::divsd, v, constant(3.0));
            s[i] = binary(&x86::Compiler::addsd, y[i], v);
        }
        for (int i = 0; i < 4; ++i)
            cc.movsd(x86::ptr(out, 8 * i), s[i]);
        const x86::Gp ok = cc.newInt32();
        cc.mov(ok, 1);
        cc.ret(ok);
        cc.bind(fail);
        const x86::Gp no = cc.newInt32();
        cc.xor_(no, no);
        cc.ret(no);
        cc.endFunc();
    }

  private:
    using Vec = std::array<x86::Xmm, 4>;
    using Op = Error (x86::Compiler::*)(const x86::Xmm &, const x86::Xmm &);

    Label fail;

    void body(const x86::Gp &x)
    {
        for (int k = 0; k < 4; ++k) {
            if (p.coordinate_reg[k] < 0)
                continue;
            value[p.coordinate_reg[k]] = cc.newXmmSd();
            cc.movsd(value[p.coordinate_reg[k]], x86::ptr(x, 8 * k));
        }
        for (const FusedInstr &i : p.point_code)
            instruction(i);
    }

    x86::Xmm load(const x86::Mem &m)
    {
        x86::Xmm v = cc.newXmmSd();
        cc.movsd(v, m);
        return v;
    }

    x86::Xmm constant(double c) { return load(cc.newConst(ConstPoolScope::kLocal, &c, 8)); }

    x86::Xmm binary(Op op, const x86::Xmm &a, const x86::Xmm &b)
    {
        x86::Xmm d = cc.newXmmSd();
        cc.movapd(d, a);
        (cc.*op)(d, b);
        return d;
    }

    // Jumps to fail unless |v| ≤ limit; NaN compares unordered and fails too.
    void bound(const x86::Xmm &v, double limit)
    {
        const std::uint64_t mask = 0x7fffffffffffffffull;
        x86::Xmm a =
            binary(&x86::Compiler::andpd, v, load(cc.newConst(ConstPoolScope::kLocal, &mask, 8)));
        cc.ucomisd(constant(limit), a);
        cc.jb(fail);
    }

    Vec axpy(const Vec &y, const Vec &v, const x86::Xmm &k)
    {
        Vec r;
        for (int i = 0; i < 4; ++i)
            r[i] = binary(&x86::Compiler::addsd, y[i], binary(&x86::Compiler::mulsd, v[i], k));
        return r;
    }

    // The byte code's dudλ less the terms of structurally zero symbols: each
    // sum starts from +0 and skips only ±0 terms (see FusedChristoffel).
    Vec dudλ(const Vec &u)
    {
        for (int i = 0; i < 4; ++i)
            bound(u[i], 1e150);
        x86::Xmm uu[4][4];
        Vec r;
        for (int a = 0; a < 4; ++a) {
            x86::Xmm acc = constant(0.0);
            for (int bc = 0; bc < 16; ++bc) {
                const int o = p.gamma_output[16 * a + bc];
                if (o < 0)
                    continue;
                const int b = bc / 4, c = bc % 4;
                if (!uu[b][c].isValid())
                    uu[b][c] = uu[c][b] = binary(&x86::Compiler::mulsd, u[b], u[c]);
                acc = binary(&x86::Compiler::subsd, acc,
                             binary(&x86::Compiler::mulsd, in_register(p.outputs[o]), uu[b][c]));
            }
            r[a] = acc;
        }
        return r;
    }

  private:
    const FusedProgram &p;
    x86::Compiler &cc;
    std::vector<x86::Xmm> value;
    x86::Gp frame;

    bool in_frame(int reg) const { return reg < p.frame_size; }
    x86::Mem memory(int reg) const { return x86::ptr(frame, 8 * reg); }

    x86::Xmm in_register(int reg)
    {
        if (!in_frame(reg))
            return value[reg];
        x86::Xmm v = cc.newXmmSd();
        cc.movsd(v, memory(reg));
        return v;
    }

    x86::Xmm copy_of(int reg)
    {
        x86::Xmm v = cc.newXmmSd();
        if (in_frame(reg))
            cc.movsd(v, memory(reg));
        else
            cc.movapd(v, value[reg]);
        return v;
    }

    void call(const FusedInstr &i, void *target, bool two)
    {
        const x86::Xmm a = in_register(i.a);
        const x86::Xmm b = two ? in_register(i.b) : x86::Xmm();
        const x86::Xmm d = cc.newXmmSd();
        InvokeNode *node;
        if (two) {
            cc.invoke(&node, imm(target), FuncSignatureT<double, double, double>());
            node->setArg(1, b);
        } else {
            cc.invoke(&node, imm(target), FuncSignatureT<double, double>());
        }
        node->setArg(0, a);
        node->setRet(0, d);
        value[i.dst] = d;
    }

    void instruction(const FusedInstr &i)
    {
        using M = Error (x86::Compiler::*)(const x86::Xmm &, const x86::Mem &);
        using R = Error (x86::Compiler::*)(const x86::Xmm &, const x86::Xmm &);
        auto both = [&](M m, R r) {
            x86::Xmm d = copy_of(i.a);
            if (in_frame(i.b))
                (cc.*m)(d, memory(i.b));
            else
                (cc.*r)(d, value[i.b]);
            value[i.dst] = d;
        };
        switch (i.op) {
        case FusedOp::add:
            return both(&x86::Compiler::addsd, &x86::Compiler::addsd);
        case FusedOp::sub:
            return both(&x86::Compiler::subsd, &x86::Compiler::subsd);
        case FusedOp::mul:
            return both(&x86::Compiler::mulsd, &x86::Compiler::mulsd);
        case FusedOp::div:
            return both(&x86::Compiler::divsd, &x86::Compiler::divsd);
        case FusedOp::neg: {
            x86::Xmm d = copy_of(i.a);
            x86::Gp bits = cc.newInt64();
            x86::Xmm mask = cc.newXmmSd();
            cc.mov(bits, imm(std::int64_t(0x8000000000000000ull)));
            cc.movq(mask, bits);
            cc.xorpd(d, mask);
            value[i.dst] = d;
            return;
        }
        case FusedOp::sqrt: {
            // The instruction is the correctly rounded root, as std::sqrt's.
            x86::Xmm d = cc.newXmmSd();
            if (in_frame(i.a))
                cc.sqrtsd(d, memory(i.a));
            else
                cc.sqrtsd(d, value[i.a]);
            value[i.dst] = d;
            return;
        }
        case FusedOp::sin:
            return call(i, reinterpret_cast<void *>(&libm_call::sin), false);
        case FusedOp::cos:
            return call(i, reinterpret_cast<void *>(&libm_call::cos), false);
        case FusedOp::exp:
            return call(i, reinterpret_cast<void *>(&libm_call::exp), false);
        case FusedOp::log:
            return call(i, reinterpret_cast<void *>(&libm_call::log), false);
        case FusedOp::sinh:
            return call(i, reinterpret_cast<void *>(&libm_call::sinh), false);
        case FusedOp::cosh:
            return call(i, reinterpret_cast<void *>(&libm_call::cosh), false);
        case FusedOp::tanh:
            return call(i, reinterpret_cast<void *>(&libm_call::tanh), false);
        default:
            return call(i, reinterpret_cast<void *>(&call_pw), true);
        }
    }
};

class Native final : public FusedBackend
{
  public:
    Native(std::unique_ptr<JitRuntime> rt, Entry entry, StepEntry stepper)
        : rt(std::move(rt)), entry(entry), stepper(stepper)
    {
    }
    ~Native() override
    {
        rt->release(entry);
        rt->release(stepper);
    }

    void run(const double *frame, const f_vec &x, double *out) const override
    {
        entry(frame, &x[0], out);
    }

    StepEntry step_entry() const override { return stepper; }

  private:
    std::unique_ptr<JitRuntime> rt;
    Entry entry;
    StepEntry stepper;
};

template <class Fn, class Emit> Fn generate(JitRuntime &rt, Emit emit)
{
    CodeHolder code;
    Failure failure;
    code.init(rt.environment());
    code.setErrorHandler(&failure);
    x86::Compiler cc(&code);
    emit(cc);
    cc.finalize();
    Fn fn = nullptr;
    if (failure.failed || rt.add(&fn, &code) != kErrorOk)
        return nullptr;
    return fn;
}

} // namespace

std::unique_ptr<FusedBackend> make_fused_native(const FusedProgram &program)
{
    auto rt = std::make_unique<JitRuntime>();
    if (rt->environment().arch() != Arch::kX64)
        return nullptr;
    Entry entry =
        generate<Entry>(*rt, [&](x86::Compiler &cc) { Generator(program, cc).outputs(); });
    StepEntry stepper =
        generate<StepEntry>(*rt, [&](x86::Compiler &cc) { Generator(program, cc).step(); });
    if (!entry || !stepper) {
        if (entry)
            rt->release(entry);
        if (stepper)
            rt->release(stepper);
        return nullptr;
    }
    return std::make_unique<Native>(std::move(rt), entry, stepper);
}
