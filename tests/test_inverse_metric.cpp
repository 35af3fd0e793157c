// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/christoffel.h"
#include "expr/inverse_metric.h"
#include "expr/postfix.h"
#include "expr/simplify.h"
#include "tests/support/load_metric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <iterator>
#include <random>

namespace
{

double record(Metric const &m, int i, const f_vec &x)
{
    return CntPfx(m.records()[i].code, x, m.params());
}

const f_vec points[] = {{{0.0, 3.0, 1.1, 0.2}}, {{-2.0, 2.2, 0.4, -1.0}}, {{1.0, 7.5, π / 2, 2.0}}};

// (adjugate / determinant) · g must be the identity wherever g is regular.
void expectInverse(Metric const &m, double tolerance)
{
    for (const f_vec &x : points) {
        const double det = record(m, 32, x);
        ASSERT_TRUE(std::isfinite(det) && det != 0.0);
        for (int a = 0; a < 4; ++a)
            for (int b = 0; b < 4; ++b) {
                double sum = 0.0;
                for (int c = 0; c < 4; ++c)
                    sum += record(m, 16 + 4 * a + c, x) / det * record(m, 4 * c + b, x);
                EXPECT_NEAR(sum, a == b, tolerance) << a << b << " at r=" << x[1];
            }
    }
}

// All ten components non-zero: every cofactor term is exercised. A bracketed
// negation typed into a component stays a negation in the component and
// once it is spliced behind other values in the cofactors. Zero cofactors of
// the flat preset are flagged so that the connection skips them. (The
// presets' inverses show in their connections.)
TEST(InverseMetric, GeneralMetricsBracketedNegationsAndTheFlatPresetsZeros)
{
    for (int i = 16; i < 33; ++i)
        EXPECT_EQ(preset(flat).records()[i].nz, i % 5 == 1 || i == 32) << i;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        const Metric m = random_metric(seed);
        for (int i = 16; i < 32; ++i)
            ASSERT_EQ(m.records()[i].nz, 1) << i;
        expectInverse(m, 1e-10);
    }
    for (unsigned seed : function_seeds)
        expectInverse(random_metric(seed, true), 1e-10);
    QString texts[16];
    for (int i = 0; i < 16; ++i)
        texts[i] = QString::fromUtf8(presets[kerr].g[i]);
    texts[3] = texts[12] = QString::fromUtf8("(-2)*a*M*r*sin(θ)^2/(r^2+a^2*cos(θ)^2)");
    texts[1] = "(-r)*2/9";
    texts[6] = "(-(r-2))/(9*9*9)";
    const double params[4] = {1, 0.8, 0, 0};
    const Metric m = Metric::compile(texts, params);
    const f_vec x{{0, 10, 1.2, 0}};
    EXPECT_EQ(record(m, 1, x), -20.0 / 9);
    EXPECT_NEAR(record(m, 3, x),
                -16 * std::pow(std::sin(1.2), 2) / (100 + 0.64 * std::pow(std::cos(1.2), 2)),
                1e-15);
    expectInverse(m, 1e-10);
}

// The byte code of the presets and of random formulas of the language before
// numbers and the later functions (whole numbers 0–9, sin, cos, whole
// exponents), hashed: the hash the records had then.
TEST(InverseMetric, RecordsOfTheEarlierLanguageAreUnchanged)
{
    std::uint64_t h = 1469598103934665603ull;
    auto mix = [&h](const CompiledExpr &e) {
        for (unsigned char c : e.code)
            h = (h ^ c) * 1099511628211ull;
        for (unsigned char c : e.dep)
            h = (h ^ c) * 1099511628211ull;
        h = (h ^ e.nz) * 1099511628211ull;
    };
    for (const MetricPreset &p : presets) {
        QString g[4][4];
        for (int i = 0; i < 16; ++i)
            g[i / 4][i % 4] = ToPfx(QString::fromUtf8(p.g[i]));
        CompiledExpr t[33];
        kontr_g(g, t);
        for (const CompiledExpr &e : t)
            mix(e);
    }
    static const char *const atoms[] = {"r", "θ", "φ", "t", "M", "a", "Q",
                                        "Λ", "0", "1", "2", "7", "9"};
    static const char *const forms[] = {"sin(%1)", "cos(%1)", "(%1)^2",     "%1^3",
                                        "-(%1)",   "%1",      "(%1)^(2*3)", "%1^0"};
    static const char *const joins[] = {"%1+%2", "%1-%2", "%1*%2", "%1/%2", "(%1)/(2-%2)"};
    std::mt19937 rng(11);
    auto pick = [&rng](auto &list) { return QString::fromUtf8(list[rng() % std::size(list)]); };
    for (int i = 0; i < 400; ++i) {
        QString f = pick(forms).arg(pick(atoms));
        for (int depth = int(rng() % 4); depth > 0; --depth)
            f = pick(joins).arg(f, pick(forms).arg(pick(atoms)));
        QString postfix = ToPfx(f);
        mix(TrPfx(OptPfx(postfix)));
    }
    EXPECT_EQ(h, 0xa25c101375c84a55ull);
}

// An empty field makes its record and the determinant NaN; arbitrary texts
// never make anything up to the connection read out of bounds (run under the
// sanitizers too).
TEST(InverseMetric, EmptyAndMalformedTextsAreHandledSafely)
{
    const QString alphabet = QString::fromUtf8("0129MaQrθ+-*/^()sin(cos(sqrt(tanh(.5e-");
    const double params[4] = {1, 0.5, 0.1, 0};
    std::mt19937 rng(99);
    for (int n = 0; n < 150; ++n) {
        QString texts[16];
        for (int i = 0; i < 16; ++i) {
            texts[i] = n < 10 ? QString::fromUtf8(presets[kerr].g[i]) : QString();
            for (int k = n < 10 ? 0 : int(rng() % 9); k > 0; --k)
                texts[i] += alphabet[int(rng() % alphabet.size())];
        }
        if (n < 10)
            texts[(n % 4) * 5] = "";
        const Metric m = Metric::compile(texts, params);
        f_vec x = points[n % 3];
        const tensor_3 G = Christoffel(m, x);
        for (int i = 0; i < 16; ++i) {
            const bool empty = texts[i].isEmpty() && i % 4 >= i / 4;
            EXPECT_TRUE(!empty || (std::isnan(record(m, i, x)) && std::isnan(record(m, 32, x)) &&
                                   std::isnan(G[1][1][1])))
                << n << " " << i;
        }
    }
}

} // namespace
