#include "expr/fused_backend.h"

// Qt's signal keyword is a macro that would rewrite the emitter's own emit().
#undef emit
#include <asmjit/x86.h>

#include <cmath>
#include <vector>

using namespace asmjit;

namespace
{

using Entry = void (*)(const double *frame, const double *x, double *out);

// The very functions the byte code calls.
double call_sin(double a)
{
    return std::sin(a);
}
double call_cos(double a)
{
    return std::cos(a);
}
double call_pw(double a, double b)
{
    return pw(a, pwExponent(b));
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

    void generate()
    {
        FuncNode *f = cc.addFunc(FuncSignatureT<void, const double *, const double *, double *>());
        frame = cc.newIntPtr("frame");
        const x86::Gp x = cc.newIntPtr("x");
        const x86::Gp out = cc.newIntPtr("out");
        f->setArg(0, frame);
        f->setArg(1, x);
        f->setArg(2, out);
        for (int k = 0; k < 4; ++k) {
            if (p.coordinate_reg[k] < 0)
                continue;
            value[p.coordinate_reg[k]] = cc.newXmmSd();
            cc.movsd(value[p.coordinate_reg[k]], x86::ptr(x, 8 * k));
        }
        for (const FusedInstr &i : p.point_code)
            instruction(i);
        for (std::size_t i = 0; i < p.outputs.size(); ++i)
            cc.movsd(x86::ptr(out, static_cast<int>(8 * i)), in_register(p.outputs[i]));
        cc.endFunc();
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
        case FusedOp::sin:
            return call(i, reinterpret_cast<void *>(&call_sin), false);
        case FusedOp::cos:
            return call(i, reinterpret_cast<void *>(&call_cos), false);
        default:
            return call(i, reinterpret_cast<void *>(&call_pw), true);
        }
    }
};

class Native final : public FusedBackend
{
  public:
    Native(std::unique_ptr<JitRuntime> rt, Entry entry) : rt(std::move(rt)), entry(entry) {}
    ~Native() override { rt->release(entry); }

    void run(const double *frame, const f_vec &x, double *out) const override
    {
        entry(frame, &x[0], out);
    }

  private:
    std::unique_ptr<JitRuntime> rt;
    Entry entry;
};

} // namespace

std::unique_ptr<FusedBackend> make_fused_native(const FusedProgram &program)
{
    auto rt = std::make_unique<JitRuntime>();
    if (rt->environment().arch() != Arch::kX64)
        return nullptr;
    CodeHolder code;
    Failure failure;
    code.init(rt->environment());
    code.setErrorHandler(&failure);
    x86::Compiler cc(&code);
    Generator(program, cc).generate();
    cc.finalize();
    Entry entry = nullptr;
    if (failure.failed || rt->add(&entry, &code) != kErrorOk)
        return nullptr;
    return std::make_unique<Native>(std::move(rt), entry);
}
