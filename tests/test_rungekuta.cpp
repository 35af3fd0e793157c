#include "physics/rungekuta.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

f_vec constant(f_vec, tensor_3 &)
{
    return {{1.0, -2.0, 0.5, 3.0}};
}

f_vec identity(f_vec u, tensor_3 &)
{
    return u;
}

// du/dλ = Γ-weighted: uses the tensor so that a stage that dropped or
// replaced it would show.
f_vec scaledByTensor(f_vec u, tensor_3 &T)
{
    return u * T[0][0][0];
}

const f_vec start{{1.0, -0.5, 2.0, 0.25}};

TEST(Rungekuta, ConstantRightHandSideIsExact)
{
    const f_vec y = rungekuta(constant, start, tensor_3{}, 0.3);
    const double c[4] = {1.0, -2.0, 0.5, 3.0};
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(y[i], start[i] + 0.3 * c[i], 1e-15);
}

TEST(Rungekuta, LinearGrowthGivesFourthOrderTaylor)
{
    const double h = 0.1;
    const double factor = 1 + h + h * h / 2 + h * h * h / 6 + h * h * h * h / 24;
    const f_vec y = rungekuta(identity, start, tensor_3{}, h);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(y[i], start[i] * factor, 1e-15);
}

TEST(Rungekuta, ZeroStepKeepsTheValue)
{
    const f_vec y = rungekuta(identity, start, tensor_3{}, 0.0);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(y[i], start[i]);
}

TEST(Rungekuta, EveryStageSeesTheSameTensor)
{
    tensor_3 T{};
    T[0][0][0] = -2.0;
    const double z = -2.0 * 0.05;
    const double factor = 1 + z + z * z / 2 + z * z * z / 6 + z * z * z * z / 24;
    const f_vec y = rungekuta(scaledByTensor, start, T, 0.05);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(y[i], start[i] * factor, 1e-15);
    EXPECT_EQ(T[0][0][0], -2.0);
}

} // namespace
