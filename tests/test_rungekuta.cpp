#include "physics/rungekuta.h"

#include "expr/tensor_3.h"
#include "physics/f_vec.h"

#include <gtest/gtest.h>

namespace
{

f_vec constant(f_vec, tensor_3 &)
{
    return {{1.0, -2.0, 0.5, 3.0}};
}

// u' = T[0][0][0]·u: a stage that dropped the tensor would show.
f_vec scaled(f_vec u, tensor_3 &T)
{
    return u * T[0][0][0];
}

TEST(Rungekuta, ClosedForms)
{
    const f_vec y0{{1.0, -0.5, 2.0, 0.25}};
    const f_vec c = rungekuta(constant, y0, tensor_3{}, 0.3);
    tensor_3 T{};
    T[0][0][0] = -2.0;
    const double z = -2.0 * 0.05, taylor = 1 + z + z * z / 2 + z * z * z / 6 + z * z * z * z / 24;
    const f_vec e = rungekuta(scaled, y0, T, 0.05);
    const double k[4] = {1.0, -2.0, 0.5, 3.0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(c[i], y0[i] + 0.3 * k[i], 1e-15);
        EXPECT_NEAR(e[i], y0[i] * taylor, 1e-15);
    }
}

} // namespace
