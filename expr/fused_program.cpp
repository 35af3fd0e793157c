// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/fused_program.h"

#include <algorithm>
#include <cmath>

namespace
{

bool is_leaf(FusedOp op)
{
    return op == FusedOp::constant || op == FusedOp::parameter || op == FusedOp::coordinate;
}

} // namespace

FusedProgram schedule(const FusedGraph &graph)
{
    const auto &nodes = graph.nodes;
    const int n = static_cast<int>(nodes.size());
    // needed: 1 for the symbols and guarded values, 2 for what only the
    // metric at x adds, which the symbols' code never runs.
    std::vector<char> needed(n, 0), point(n, 0), early(n, 0);
    for (int v : graph.guarded)
        needed[v] = 1;
    for (int v : graph.gamma)
        if (v >= 0)
            needed[v] = 1;
    for (int v : graph.metric)
        if (v >= 0 && !needed[v])
            needed[v] = 2;
    for (int v = n - 1; v >= 0; --v) {
        if (!needed[v])
            continue;
        for (int o : {nodes[v].a, nodes[v].b})
            if (o >= 0 && (!needed[o] || needed[o] > needed[v]))
                needed[o] = needed[v];
    }
    for (int v = 0; v < n; ++v) {
        const FusedNode &d = nodes[v];
        point[v] =
            d.op == FusedOp::coordinate || (d.a >= 0 && point[d.a]) || (d.b >= 0 && point[d.b]);
    }
    for (int v = n - 1; v >= 0; --v) {
        if (needed[v] != 1 || !point[v] || !(early[v] || is_call(nodes[v].op)))
            continue;
        early[v] = 1;
        for (int o : {nodes[v].a, nodes[v].b})
            if (o >= 0)
                early[o] = 1;
    }

    FusedProgram p;
    std::vector<int> reg(n, -1);
    auto assign = [&](int v) { reg[v] = p.register_count++; };
    for (int v = 0; v < n; ++v)
        if (needed[v] && nodes[v].op == FusedOp::constant)
            assign(v);
    for (int v = 0; v < n; ++v)
        if (needed[v] && nodes[v].op == FusedOp::parameter)
            assign(v), p.parameter_reg[nodes[v].index] = reg[v];
    for (int v = 0; v < n; ++v)
        if (needed[v] && !point[v] && !is_leaf(nodes[v].op))
            assign(v);
    p.frame_size = p.register_count;
    for (int v = 0; v < n; ++v)
        if (needed[v] && nodes[v].op == FusedOp::coordinate)
            assign(v), p.coordinate_reg[nodes[v].index] = reg[v];
    std::vector<int> order;
    for (int pass : {1, 0})
        for (int v = 0; v < n; ++v)
            if (needed[v] == 1 && point[v] && !is_leaf(nodes[v].op) && early[v] == pass)
                order.push_back(v);
    const auto christoffel_end = static_cast<std::ptrdiff_t>(order.size());
    for (int v = 0; v < n; ++v)
        if (needed[v] == 2 && point[v] && !is_leaf(nodes[v].op))
            order.push_back(v);
    for (int v : order)
        assign(v);
    if (!p.fits())
        return p;

    p.constants.assign(p.frame_size, 0.0);
    for (int v = 0; v < n; ++v)
        if (needed[v] && nodes[v].op == FusedOp::constant)
            p.constants[reg[v]] = nodes[v].value;
    auto instr = [&](int v) {
        const FusedNode &d = nodes[v];
        return FusedInstr{d.op, static_cast<std::uint16_t>(reg[v]),
                          static_cast<std::uint16_t>(d.a >= 0 ? reg[d.a] : 0),
                          static_cast<std::uint16_t>(d.b >= 0 ? reg[d.b] : 0)};
    };
    for (int v = 0; v < n; ++v)
        if (needed[v] && !point[v] && !is_leaf(nodes[v].op))
            p.frame_code.push_back(instr(v));
    for (auto v = order.begin(); v != order.end(); ++v)
        (v - order.begin() < christoffel_end ? p.point_code : p.metric_code).push_back(instr(*v));
    for (int i = 0; i < 16; ++i)
        p.metric_reg[i] = graph.metric[i] < 0 ? -1 : reg[graph.metric[i]];

    for (int v : graph.guarded)
        p.outputs.push_back(static_cast<std::uint16_t>(reg[v]));
    p.guarded_count = static_cast<int>(p.outputs.size());
    for (int i = 0; i < 64; ++i) {
        const int v = graph.gamma[i];
        p.gamma_output[i] = -1;
        if (v < 0)
            continue;
        const auto r = static_cast<std::uint16_t>(reg[v]);
        auto at = std::find(p.outputs.begin() + p.guarded_count, p.outputs.end(), r);
        p.gamma_output[i] = static_cast<int>(at - p.outputs.begin());
        if (at == p.outputs.end())
            p.outputs.push_back(r);
    }
    return p;
}

void FusedProgram::fill_frame(const double *params, double *frame) const
{
    std::copy(constants.begin(), constants.end(), frame);
    for (int i = 0; i < 4; ++i)
        if (parameter_reg[i] >= 0)
            frame[parameter_reg[i]] = params[i];
    run_fused(frame_code, frame);
}

void run_fused(const std::vector<FusedInstr> &code, double *r)
{
    for (const FusedInstr &i : code)
        r[i.dst] = apply(i.op, r[i.a], r[i.b]);
}
