#include "expr/fused_backend.h"

#include <algorithm>

namespace
{

class Interpreter final : public FusedBackend
{
  public:
    explicit Interpreter(const FusedProgram &p)
        : frame_size(p.frame_size), code(p.point_code), outputs(p.outputs)
    {
        std::copy_n(p.coordinate_reg, 4, coordinate_reg);
    }

    void run(const double *frame, const f_vec &x, double *out) const override
    {
        double r[FusedProgram::max_registers];
        std::copy_n(frame, frame_size, r);
        for (int k = 0; k < 4; ++k)
            if (coordinate_reg[k] >= 0)
                r[coordinate_reg[k]] = x[k];
        run_fused(code, r);
        for (std::size_t i = 0; i < outputs.size(); ++i)
            out[i] = r[outputs[i]];
    }

  private:
    int frame_size;
    int coordinate_reg[4];
    std::vector<FusedInstr> code;
    std::vector<std::uint16_t> outputs;
};

} // namespace

std::unique_ptr<FusedBackend> make_fused_interpreter(const FusedProgram &program)
{
    return std::make_unique<Interpreter>(program);
}
