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
        {"12*r", "missing operator between '1' and '2' (character 2)"},
        {"2 r", "unknown character ' ' (character 2)"},
        {"sqrt(r)", "unknown function: only sin( ) and cos( ) are known (character 1)"},
        {"r()", "missing operator between 'r' and '(' (character 2)"},
        {"(r+)", "unexpected ')' after '+' (character 4)"},
        {"((((((((((((((((r))))))))))))))))^2+r", nullptr},
    };
    for (auto [text, told] : bad) {
        const auto problem = formula_problem_of(QString::fromUtf8(text), P);
        if (!told) {
            EXPECT_FALSE(problem) << text;
            continue;
        }
        ASSERT_TRUE(problem) << text;
        EXPECT_EQ(describe(*problem).toStdString(), told) << text;
    }
    for (const metric_preset &preset : presets)
        for (const char *text : preset.g)
            EXPECT_FALSE(formula_problem_of(QString::fromUtf8(text), P)) << text;
    for (const char *text : {"(-2)*a*M*r*sin(θ)^2", "-(-r)", "1/(r-3)", "cos(-(θ))"})
        EXPECT_FALSE(formula_problem_of(QString::fromUtf8(text), P)) << text;
}

} // namespace
