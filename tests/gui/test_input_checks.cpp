// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/presets.h"
#include "tests/gui/support/window_test.h"
#include "tests/support/thread_time.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <string>

namespace
{

class Inputs : public WindowTest
{
  protected:
    // The red frame: the field's left edge, halfway down.
    bool marked(const char *name)
    {
        const QImage look = field(name)->grab().toImage();
        const QRgb edge = look.pixel(0, look.height() / 2);
        return qRed(edge) > 200 && qGreen(edge) < 60 && qBlue(edge) < 60;
    }
    QStringList characteristics()
    {
        QStringList shown;
        for (const char *name : {"lineEdit_VneH", "lineEdit_VniH", "lineEdit_RSO", "lineEdit_LSO"})
            shown << field(name)->text();
        return shown;
    }
    // Play either starts (and, with nothing to render, the display stays
    // without text) or answers with one line saying why not.
    QString play_answer()
    {
        auto *screen = child<QLabel>(w, "label_screen");
        screen->clear();
        child<QPushButton>(w, "PlayButton")->click();
        const QString answer = screen->text();
        EXPECT_FALSE(answer.contains(u'\n')) << answer.toStdString();
        return answer;
    }
};

// A faulty formula or parameter, or a metric that is no spacetime, marks its
// own field with what is wrong, shows no invented characteristics, keeps the
// metric compiled last and refuses Play; a usable text afterwards makes
// everything usable again.
TEST_F(Inputs, MetricInputsThatCannotBeUsedAreMarkedAndRefused)
{
    const auto kerr = compiled_metric();
    const struct {
        const char *field, *text, *told, *fixed;
    } cases[] = {
        {"rr", "r^^", "unexpected '^' after '^' (character 3)", presets[3].g[5]},
        {"ff", "", "empty formula", presets[3].g[15]},
        {"lineEdit_a", "abc", "not a number: 'abc'", "0.8"},
        {"lineEdit_M", "1e300", "must be from -1e6 to 1e6", "1"},
        // Compiles, but has no time direction.
        {"tt", "(r-r)/(r-r)", "g is not Lorentzian at r = 50, θ = 80°: det g = ", presets[3].g[0]},
    };
    for (auto [name, text, told, fixed] : cases) {
        SCOPED_TRACE(name + std::string(" = ") + text);
        confirm(field(name), QString::fromUtf8(text));
        EXPECT_TRUE(marked(name));
        EXPECT_TRUE(field(name)->toolTip().contains(told)) << field(name)->toolTip().toStdString();
        EXPECT_EQ(characteristics(), QStringList(4, "unavailable"));
        EXPECT_EQ(compiled_metric(), kerr) << "the last metric that compiled stays";
        EXPECT_EQ(P[1], 0.8);
        EXPECT_TRUE(play_answer().contains(told));
        confirm(field(name), QString::fromUtf8(fixed));
        EXPECT_FALSE(marked(name));
        EXPECT_EQ(characteristics()[0], "1.6");
    }
}

// A start from which no path leaves (inside the horizon, beyond the escape
// radius), an angle off the polar range, a speed of light or a distance that
// is no number are marked and refused; the last number stays, and no speed
// is proposed for it. A horizon that grows past the start marks it too.
TEST_F(Inputs, ObserverValuesOutsideTheirRangeAreMarkedAndRefused)
{
    const double r = poc_sour_poz[1];
    const QString v = field("lineEdit_v")->text();
    const struct {
        const char *field, *text, *told;
    } cases[] = {
        {"lineEdit_r", "1", "distance from the centre: r = 1 is inside r = 1.60"},
        {"lineEdit_r", "1000", "r = 1000 is beyond r = 1000"},
        {"lineEdit_r", "far", "distance from the centre: not a number"},
        {"lineEdit_th", "200", "polar distance: must be from 0 to 180 degrees"},
        {"lineEdit_v", "1", "tangential velocity: must be from -0.999999 to 0.999999"},
    };
    for (auto [name, text, told] : cases) {
        SCOPED_TRACE(name + std::string(" = ") + text);
        const QString kept = field(name)->text();
        confirm(field(name), text);
        EXPECT_TRUE(marked(name));
        EXPECT_EQ(poc_sour_poz[1], r);
        EXPECT_TRUE(play_answer().contains(told));
        EXPECT_EQ(field("lineEdit_v")->text(), name[9] == 'v' ? text : v);
        confirm(field(name), kept);
        EXPECT_FALSE(marked(name));
    }
    EXPECT_TRUE(child<QLabel>(w, "label_1512")->text().contains("0°-180°"));

    confirm(field("lineEdit_outK"), "");
    EXPECT_TRUE(marked("lineEdit_outK"));
    confirm(field("lineEdit_outK"), "12");
    confirm(field("lineEdit_r"), "3");
    EXPECT_FALSE(marked("lineEdit_r"));
    confirm(field("lineEdit_M"), "2");
    EXPECT_TRUE(marked("lineEdit_r")) << "the horizon is now beyond r = 3";
}

// An over-charged Reissner–Nordström metric has no horizon; a flat metric
// typed in by hand has no stable orbit, so a disk refuses Play until its
// inner radius is typed in. Each edit takes well under half a second of
// processor time.
TEST_F(Inputs, MetricEditsWithoutHorizonOrOrbitAnswerAtOnce)
{
    child<QRadioButton>(w, "radButn3")->click();
    double start = thread_seconds();
    confirm(field("lineEdit_Q"), "2");
    EXPECT_LT(thread_seconds() - start, 0.5);
    EXPECT_EQ(characteristics().mid(0, 2), QStringList(2, "no horizon"));

    child<QRadioButton>(w, "radButn2")->click();
    confirm(field("tt"), "-1");
    start = thread_seconds();
    confirm(field("rr"), "1");
    EXPECT_LT(thread_seconds() - start, 0.5);
    EXPECT_EQ(characteristics().mid(2), QStringList(2, "no stable orbit"));

    EXPECT_TRUE(marked("lineEdit_inK")) << "no orbit to put the disk's inner edge on";
    child<QCheckBox>(w, "checkBox_kepler")->setChecked(true);
    EXPECT_TRUE(play_answer().contains("inner radius of the Kepler disk: no stable circular orbit"));
    confirm(field("lineEdit_inK"), "6");
    EXPECT_FALSE(marked("lineEdit_inK")) << "a radius typed in is used";
}

// Help for the metric fields, with the whole formula of a field too narrow
// for it.
TEST_F(Inputs, MetricFieldsExplainThemselves)
{
    const QString help = field("tf")->toolTip();
    for (const char *told : {"t for θ", "f for φ", "l for Λ", "m for M", "q for Q",
                             "T for the time t", "sqrt", "tanh", "1.5e-3", "r^(-2)"})
        EXPECT_TRUE(help.contains(QString::fromUtf8(told))) << told;
    EXPECT_TRUE(help.startsWith(QString::fromUtf8("g_tφ = -((2*a*M*r*sin(θ)^2)")));
    EXPECT_FALSE(field("tr")->toolTip().startsWith("g_tr =")) << "a short one shows itself";
}

} // namespace
