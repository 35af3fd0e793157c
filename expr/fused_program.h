// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "expr/fused_graph.h"

#include <cstdint>
#include <vector>

struct FusedInstr {
    FusedOp op;
    std::uint16_t dst, a, b;
};

// The graph in registers, one per node, split by lifetime: the frame block
// (constants, parameters and every value of the parameters alone) is
// computed once for a set of parameters; the point code runs per position.
struct FusedProgram {
    static constexpr int max_registers = 4096;
    static constexpr int max_frame = 512;

    int frame_size = 0;            // registers [0, frame_size) form the frame block
    int register_count = 0;        // frame block, coordinates and point values
    std::vector<double> constants; // the frame block with only its constants filled
    int parameter_reg[4] = {-1, -1, -1, -1};
    int coordinate_reg[4] = {-1, -1, -1, -1};
    std::vector<FusedInstr> frame_code;  // fills the frame block from the parameters
    std::vector<FusedInstr> point_code;  // calls first, so that little lives across them
    std::vector<FusedInstr> metric_code; // after point_code: what only g_ij at x needs
    std::vector<std::uint16_t> outputs;  // guarded values, then each distinct symbol
    int guarded_count = 0;
    int gamma_output[64]; // index into outputs, -1 for a structural zero
    int metric_reg[16]; // register of g_ij at x once metric_code has run, -1 for a structural zero

    // False when the graph needs more registers than a run may keep.
    bool fits() const { return register_count <= max_registers && frame_size <= max_frame; }

    void fill_frame(const double *params, double *frame) const;
};

FusedProgram schedule(const FusedGraph &graph);

// Runs `code` on the register file r (power and the libm calls as CntPfx
// makes them); fills frame blocks, where speed does not matter.
void run_fused(const std::vector<FusedInstr> &code, double *r);
