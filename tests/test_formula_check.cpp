// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/formula_check.h"

#include "expr/presets.h"

#include <gtest/gtest.h>

namespace
{

TEST(FormulaCheck, NamesTheFirstFaultAndWhereItIs)
{
    const double P[4] = {1, 0.8, 0.1, 0};
    const struct {
        const char *text, *told;
    } bad[] = {
        {"r^^", "unexpected '^' after '^' (character 3)"},
        {"sin(", "formula ends after 'sin(' (character 5)"},
        {"((((r", "unbalanced '(' (character 4)"},
        {"r)", "unbalanced ')' (character 2)"},
        {"", "empty formula"},
        {"1/0", "no finite value anywhere (a division by zero?)"},
        {"r*-1", "unexpected '-' after '*' (character 3)"},
        {"*r", "unexpected '*' at the start (character 1)"},
        {"1.2.3", "missing operator between '1.2' and '.3' (character 4)"},
        {"1e400*r", "the number '1e400' is too large for a double (at most about 1.8e308) "
                    "(character 1)"},
        {"2e", "unknown name 'e': the variables are t, r, θ, φ and M, a, Q, Λ (character 2)"},
        {"2 r", "unknown character ' ' (character 2)"},
        {"r\u0117r", "unknown character 'ė' (character 2)"},
        {"sqr(r)", "unknown function 'sqr(': the functions are sin( ), cos( ), sqrt( ), exp( ), "
                   "log( ), sinh( ), cosh( ), tanh( ) (character 1)"},
        {"sqrt r",
         "unknown name 'sqrt': the variables are t, r, θ, φ and M, a, Q, Λ (character 1)"},
        {"r()", "missing operator between 'r' and '(' (character 2)"},
        {"(r+)", "unexpected ')' after '+' (character 4)"},
        {"r^(1/0)", "no finite value anywhere (a division by zero?)"},
        {"(-r)^0.5", "no finite value anywhere (a division by zero?)"},
    };
    for (auto [text, told] : bad) {
        const auto problem = formula_problem_of(QString::fromUtf8(text), P);
        ASSERT_TRUE(problem) << text;
        EXPECT_EQ(describe(*problem).toStdString(), told) << text;
    }
    // Refused before compiling, which takes long for such texts.
    const QString sum = "r" + QString("+r").repeated(500);
    EXPECT_EQ(describe(*formula_problem_of(sum, P)),
              "formula too long: at most 1000 characters (character 1001)");
    const auto shorter = formula_problem_of(sum.left(max_formula_length - 1), P);
    EXPECT_TRUE(!shorter || !shorter->what.startsWith("formula too long: at most"));
    const auto nested = formula_problem_of("r" + QString("+r-r").repeated(150), P);
    ASSERT_TRUE(nested);
    EXPECT_TRUE(describe(*nested).startsWith("formula too long or too deeply nested"));
    for (const MetricPreset &preset : presets)
        for (const char *text : preset.g)
            EXPECT_FALSE(formula_problem_of(QString::fromUtf8(text), P)) << text;
    for (const char *text :
         {"(-2)*a*M*r*sin(θ)^2", "-(-r)", "1/(r-3)", "cos(-(θ))", "1/30", "r^(-2)", "r^θ",
          "r^sin(θ)", "1-r^(1/2)", "(1-2*M/r)^0.5", "sqrt(r)*exp(-r/1.5e3)+log(r)", "t*tanh(t)",
          "sinh(θ)+cosh(φ)", "0.998*a*1E-3", "((((((((((((((((r))))))))))))))))^2+r",
          "r^(2*3)*r^0+(1-r)^(((2)))"})
        EXPECT_FALSE(formula_problem_of(QString::fromUtf8(text), P)) << text;
}

} // namespace
