// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/fused_backend.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace
{

// The point code regrouped into runs of one operation each, in an order that
// still has every operand before its use: a run costs one dispatch and a loop
// whose branch the processor predicts, where one dispatch per operation
// would be mispredicted most of the time.
class Interpreter final : public FusedBackend
{
  public:
    explicit Interpreter(const FusedProgram &p) : frame_size(p.frame_size), outputs(p.outputs)
    {
        std::copy_n(p.coordinate_reg, 4, coordinate_reg);
        group(p);
    }

    void run(const double *frame, const f_vec &x, double *out) const override
    {
        double r[FusedProgram::max_registers];
        std::copy_n(frame, frame_size, r);
        for (int k = 0; k < 4; ++k)
            if (coordinate_reg[k] >= 0)
                r[coordinate_reg[k]] = x[k];
        const FusedInstr *i = code.data();
        for (const Run &run : runs) {
            const FusedInstr *const end = i + run.count;
            switch (run.op) {
            case FusedOp::add:
                for (; i != end; ++i)
                    r[i->dst] = r[i->a] + r[i->b];
                break;
            case FusedOp::sub:
                for (; i != end; ++i)
                    r[i->dst] = r[i->a] - r[i->b];
                break;
            case FusedOp::mul:
                for (; i != end; ++i)
                    r[i->dst] = r[i->a] * r[i->b];
                break;
            case FusedOp::div:
                for (; i != end; ++i)
                    r[i->dst] = r[i->a] / r[i->b];
                break;
            case FusedOp::neg:
                for (; i != end; ++i)
                    r[i->dst] = -r[i->a];
                break;
            case FusedOp::sin:
                for (; i != end; ++i)
                    r[i->dst] = std::sin(r[i->a]);
                break;
            case FusedOp::cos:
                for (; i != end; ++i)
                    r[i->dst] = std::cos(r[i->a]);
                break;
            case FusedOp::pow:
                for (; i != end; ++i)
                    r[i->dst] = power(r[i->a], r[i->b]);
                break;
            case FusedOp::sqrt:
                for (; i != end; ++i)
                    r[i->dst] = std::sqrt(r[i->a]);
                break;
            default: // the library functions, whose cost hides a dispatch
                for (; i != end; ++i)
                    r[i->dst] = apply(i->op, r[i->a], 0.0);
                break;
            }
        }
        for (std::size_t k = 0; k < outputs.size(); ++k)
            out[k] = r[outputs[k]];
    }

  private:
    struct Run {
        FusedOp op;
        int count;
    };

    int frame_size;
    int coordinate_reg[4];
    std::vector<FusedInstr> code;
    std::vector<Run> runs;
    std::vector<std::uint16_t> outputs;

    // Greedy list scheduling: keep taking ready operations of the current
    // kind, then switch to the kind with the most ready operations.
    void group(const FusedProgram &p)
    {
        const auto &in = p.point_code;
        const int n = static_cast<int>(in.size());
        std::vector<int> producer(p.register_count, -1), waiting(n, 0);
        std::vector<std::vector<int>> users(n);
        for (int k = 0; k < n; ++k)
            producer[in[k].dst] = k;
        constexpr int kinds = fused_op_count;
        std::array<std::vector<int>, kinds> ready;
        for (int k = 0; k < n; ++k) {
            for (int operand : {int(in[k].a), is_unary(in[k].op) ? -1 : int(in[k].b)}) {
                if (operand < 0 || producer[operand] < 0)
                    continue;
                users[producer[operand]].push_back(k);
                ++waiting[k];
            }
            if (waiting[k] == 0)
                ready[static_cast<int>(in[k].op)].push_back(k);
        }
        int current = -1;
        for (int done = 0; done < n; ++done) {
            if (current < 0 || ready[current].empty()) {
                current = 0;
                for (int kind = 0; kind < kinds; ++kind)
                    if (ready[kind].size() > ready[current].size())
                        current = kind;
                runs.push_back({static_cast<FusedOp>(current), 0});
            }
            const int k = ready[current].back();
            ready[current].pop_back();
            code.push_back(in[k]);
            ++runs.back().count;
            for (int u : users[k])
                if (--waiting[u] == 0)
                    ready[static_cast<int>(in[u].op)].push_back(u);
        }
    }
};

} // namespace

std::unique_ptr<FusedBackend> make_fused_interpreter(const FusedProgram &program)
{
    return std::make_unique<Interpreter>(program);
}
