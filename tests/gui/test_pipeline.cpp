// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/input_marks.h"
#include "app/pipeline.h"
#include "expr/christoffel.h"
#include "expr/postfix.h"
#include "expr/presets.h"
#include "physics/frames.h"
#include "physics/geodesic.h"
#include "physics/orbits.h"
#include "tests/gui/support/window_test.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace
{

class Pipeline : public WindowTest
{
  protected:
    // NaN when the field does not show a number.
    double number_in(const char *name)
    {
        bool ok = false;
        const double v = field(name)->text().toDouble(&ok);
        return ok ? v : NAN;
    }
};

} // namespace

// The window compiles Kerr once at start-up and shows what it found: the
// horizons, the stable orbits (closer co-rotating) with the disk starting at
// the right-handed one, and the proposed speed, whose path is drawn.
TEST(StartUp, CompilesKerrOnceAndFillsTheCharacteristics)
{
    const long before = pipeline_runs();
    MainWindow w;
    EXPECT_EQ(pipeline_runs() - before, 1);
    const auto text = [&w](const char *name) { return child<QLineEdit>(w, name)->text(); };
    EXPECT_EQ(text("lineEdit_VneH"), "1.6");
    EXPECT_EQ(text("lineEdit_VniH"), "0.4");
    EXPECT_EQ(text("lineEdit_inK"), text("lineEdit_RSO"));
    EXPECT_LT(text("lineEdit_RSO").toDouble(), text("lineEdit_LSO").toDouble());
    EXPECT_NEAR(child<QDoubleSpinBox>(w, "spinBox_v")->value(), OrbSpeed(poc_sour_poz, 1), 5e-7);
    EXPECT_FALSE(child<QLabel>(w, "label_geopoint")->text().isEmpty());
}

// Flat space shows neither horizon nor orbit, proposes rest, and still ends
// paths at the capture radius around the centre.
TEST_F(Pipeline, FlatPresetShowsNoHorizonAndUsesTheFlatCaptureRadius)
{
    confirm(field("lineEdit_v"), "0.3");
    child<QRadioButton>(w, "radButn1")->click();
    EXPECT_TRUE(mink);
    EXPECT_EQ(VneH(), 2.0) << "not the Kerr horizon of the previous metric";
    for (const char *name : {"lineEdit_VneH", "lineEdit_VniH"})
        EXPECT_EQ(field(name)->text(), "no horizon") << name;
    for (const char *name : {"lineEdit_RSO", "lineEdit_LSO"})
        EXPECT_EQ(field(name)->text(), "no stable orbit") << name;
    EXPECT_TRUE(field("lineEdit_inK")->text().isEmpty());
    EXPECT_EQ(field("lineEdit_v")->text(), "0.000000") << "rest, not Kerr's orbital speed";
}

// Photon orbits by direction, one list without spin. With Λ = 10⁻⁴ stable
// orbits lie between 6.069126 and 18.525567; with Λ = 10⁻³ there are none,
// and the disk keeps its inner radius, marked.
TEST_F(Pipeline, PhotonOrbitsAndStableOrbitsWithACosmologicalConstant)
{
    EXPECT_EQ(field("lineEdit_photon")->text(), "1.81109 right-handed, 3.81876 left-handed");
    child<QRadioButton>(w, "radButn2")->click();
    EXPECT_EQ(field("lineEdit_photon")->text(), "3");

    confirm(field("lineEdit_L"), "0.0001");
    confirm(field("tt"), "-(1-2*M/r-Λ*r^2/3)");
    confirm(field("rr"), "1/(1-2*M/r-Λ*r^2/3)");
    EXPECT_EQ(field("lineEdit_RSO")->text(), "6.069126 to 18.525567");
    EXPECT_EQ(field("lineEdit_inK")->text(), "6.069126");

    const double kept = P[4];
    const QString shown = field("lineEdit_inK")->text();
    confirm(field("lineEdit_L"), "0.001");
    EXPECT_EQ(field("lineEdit_RSO")->text(), "no stable orbit");
    EXPECT_EQ(P[4], kept);
    EXPECT_EQ(field("lineEdit_inK")->text(), shown);
    EXPECT_TRUE(field_problem(field("lineEdit_inK")).contains("no stable circular orbit"));
}

// A lower field recompiles but the upper triangle alone shapes the metric.
TEST_F(Pipeline, OnlyTheUpperTriangleShapesTheMetric)
{
    const auto kerr = compiled_metric();
    long before = pipeline_runs();
    confirm(field("rt"), "r^5");
    EXPECT_EQ(pipeline_runs() - before, 1);
    EXPECT_EQ(compiled_metric(), kerr);
    confirm(field("tr"), "1/r");
    EXPECT_NE(compiled_metric(), kerr);
    EXPECT_EQ(field("rt")->text(), "r^5") << "nothing is mirrored between the triangles";
    EXPECT_EQ(CntPfx(t[4].code, f_vec{{0, 4, 1, 0}}), 0.25) << "g_rt mirrors the upper text";
}

// The pipeline reads the disk fields' current texts; a hand-typed inner
// radius gives way to the stable limit.
TEST_F(Pipeline, ParametersTakeEffectAndRestoreTheDiskEdge)
{
    field("lineEdit_inK")->setText("7");
    field("lineEdit_outK")->setText("30");
    confirm(field("lineEdit_M"), "2");
    EXPECT_EQ(P[0], 2.0);
    EXPECT_EQ(P[5], 30.0);
    EXPECT_NEAR(number_in("lineEdit_VneH"), 2 + std::sqrt(4 - 0.64), 1e-4);
    EXPECT_EQ(field("lineEdit_inK")->text(), field("lineEdit_RSO")->text());
}

// The horizon search asks for the observer's radius: beyond the cosmological
// horizon of Schwarzschild–de Sitter (Λ = 10⁻⁴, roots of r³ − 3r/Λ + 6/Λ:
// event horizon 2.0003, cosmological 172.196) the observer's horizon is the
// cosmological one.
TEST_F(Pipeline, HorizonIsTheOneTheObserverSeesInDeSitterSpace)
{
    child<QRadioButton>(w, "radButn2")->click();
    field("lineEdit_L")->setText("0.0001");
    field("tt")->setText(QString::fromUtf8("-(1-2*M/r-Λ*r^2/3)"));
    for (auto [r, horizon] : {std::pair{"50", 2.0003}, {"300", 172.196}}) {
        field("lineEdit_r")->setText(r);
        confirm(field("rr"), QString::fromUtf8("1/(1-2*M/r-Λ*r^2/3)"));
        EXPECT_NEAR(number_in("lineEdit_VneH"), horizon, 0.05) << r;
        EXPECT_NEAR(VneH(), horizon, 0.05) << r;
    }
}

// The global names evaluate with what P holds now: after Kerr a = 0.8 is
// compiled, writing a = 0.5 moves the horizon to 1 + √0.75 and the prograde
// stable orbit to 4.2330 (Bardeen, Press & Teukolsky), and the connection,
// the orbital speed and the paths are those of a metric compiled with a = 0.5.
TEST_F(Pipeline, ParametersWrittenAfterCompilingReachEveryGlobalName)
{
    QString texts[16], g[4][4];
    for (int i = 0; i < 16; ++i)
        g[i / 4][i % 4] = ToPfx(texts[i] = QString::fromUtf8(presets[3].g[i]));
    const double spun_down[4] = {1, 0.5, 0, 0};
    const Metric m = Metric::compile(texts, spun_down);
    std::copy(spun_down, spun_down + 4, P);
    P[1] = 0.8;
    kontr_g(g);
    P[1] = 0.5;
    VnH();
    EXPECT_NEAR(VneH(), 1 + std::sqrt(0.75), 1e-4);
    EXPECT_NEAR(lim_stab_orb(1), 4.2330, 1e-4);
    f_vec x{{0, 7, 1.2, 0}}, u = f_tet(four_vt(0.3), x), x2 = x, u2 = u;
    EXPECT_NEAR(OrbSpeed(x, 1), OrbSpeed(m, x, 1), 1e-12);
    const tensor_3 here = Christoffel(x), there = Christoffel(m, x);
    for (int i = 0; i < 64; ++i)
        EXPECT_NEAR(here[i / 16][i / 4 % 4][i % 4], there[i / 16][i / 4 % 4][i % 4], 1e-12) << i;
    end e(2, 1), e2(2, 1);
    geodetika(x, u, e, 0.1, nullptr);
    geodetika(m, x2, u2, e2, 0.1, nullptr, {});
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(x[i], x2[i]) << i;
}
