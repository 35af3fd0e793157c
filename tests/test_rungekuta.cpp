// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/rungekuta.h"

#include "expr/tensor_3.h"
#include "physics/f_vec.h"

#include <gtest/gtest.h>

namespace
{

// u' = T[0][0][0]·u: one step is the Taylor series to fourth order, and a
// stage that dropped the tensor or a wrong weight would show.
f_vec scaled(f_vec u, tensor_3 &T)
{
    return u * T[0][0][0];
}

TEST(Rungekuta, LinearEquationToFourthOrder)
{
    const f_vec y0{{1.0, -0.5, 2.0, 0.25}};
    tensor_3 T{};
    T[0][0][0] = -2.0;
    const double z = -2.0 * 0.05, taylor = 1 + z + z * z / 2 + z * z * z / 6 + z * z * z * z / 24;
    const f_vec e = rungekuta(scaled, y0, T, 0.05);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(e[i], y0[i] * taylor, 1e-15);
}

} // namespace
