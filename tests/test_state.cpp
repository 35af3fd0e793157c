#include "scene/state.h"

#include <gtest/gtest.h>

TEST(State, StaticStartIsAllZeroAndInicializeSetsDefaults)
{
    EXPECT_FALSE(stop || kepler || beam || shift || el_ab || simul);
    EXPECT_EQ(o_spd[0], 0.0);
    EXPECT_TRUE(b_gnd.isNull());

    mink = sour = true;
    frame = 17;
    transp = 1;
    poc_sour_poz = f_vec{{1, 2, 3, 4}};
    P[0] = 5;
    inicialize();
    EXPECT_FALSE(mink || sour);
    EXPECT_EQ(frame, 0);
    EXPECT_EQ(transp, 9);
    EXPECT_EQ(poc_sour_poz[0] + poc_sour_poz[1] + poc_sour_poz[2] + poc_sour_poz[3], 0.0);
    EXPECT_EQ(P[0], 5.0) << "inicialize touches nothing else";
}
