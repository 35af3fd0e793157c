#include "expr/presets.h"
#include "app/shared.h"
#include "app/state.h"
#include "tests/gui/support/window_test.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

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
        return screen->text();
    }
};

// Each faulty text marks its own field with what is wrong and where, shows no
// invented characteristics, keeps the metric compiled last and refuses Play;
// the preset's text afterwards makes everything usable again.
TEST_F(Inputs, FormulasThatDoNotCompileAreMarkedAndRefused)
{
    const auto kerr = compiled_metric();
    const struct {
        const char *field, *text, *told;
        int preset_index;
    } cases[] = {
        {"rr", "r^^", "unexpected '^' after '^' (character 3)", 5},
        {"tt", "sin(", "formula ends after 'sin('", 0},
        {"ee", "((((r", "unbalanced '(' (character 4)", 10},
        {"ff", "", "empty formula", 15},
        {"rr", "1/0", "no finite value", 5},
        {"fr", "2..", "unknown character '.'", 13},
    };
    for (auto [name, text, told, i] : cases) {
        SCOPED_TRACE(name + std::string(" = ") + text);
        confirm(field(name), QString::fromUtf8(text));
        EXPECT_TRUE(marked(name));
        EXPECT_TRUE(field(name)->toolTip().contains(told)) << field(name)->toolTip().toStdString();
        EXPECT_EQ(characteristics(), QStringList(4, "unavailable"));
        EXPECT_EQ(compiled_metric(), kerr) << "the last metric that compiled stays";
        const QString answer = play_answer();
        EXPECT_TRUE(answer.contains(told) && !answer.contains(u'\n')) << answer.toStdString();
        EXPECT_TRUE(child<QPushButton>(w, "PlayButton")->isEnabled());

        confirm(field(name), QString::fromUtf8(presets[3].g[i]));
        EXPECT_FALSE(marked(name));
        EXPECT_EQ(characteristics()[0], "1.6");
    }
}

// An over-charged Reissner–Nordström metric has no horizon, and circular
// orbits down to the repulsive core; a flat metric typed in by hand has no
// stable orbit at all. Each edit answers well within half a second.
TEST_F(Inputs, MetricEditsWithoutHorizonOrOrbitAnswerAtOnce)
{
    child<QRadioButton>(w, "radButn3")->click();
    QElapsedTimer clock;
    clock.start();
    confirm(field("lineEdit_Q"), "2");
    EXPECT_LT(clock.elapsed(), 500);
    EXPECT_EQ(characteristics().mid(0, 2), QStringList(2, "no horizon"));
    EXPECT_NEAR(characteristics()[2].toDouble(), 4.0, 1e-3);
    EXPECT_EQ(characteristics()[3], characteristics()[2]);

    child<QRadioButton>(w, "radButn2")->click();
    confirm(field("tt"), "-1");
    clock.restart();
    confirm(field("rr"), "1");
    EXPECT_LT(clock.elapsed(), 500);
    EXPECT_EQ(characteristics().mid(2), QStringList(2, "no stable orbit"));
}

// A parameter that is no number is marked and never used: the value of the
// last number stays, and nothing computed from it is shown or rendered. An
// odd number is a metric like any other.
TEST_F(Inputs, ParameterFieldsWithoutANumberAreMarkedAndNotUsed)
{
    confirm(field("lineEdit_a"), "abc");
    EXPECT_TRUE(marked("lineEdit_a"));
    EXPECT_EQ(P[1], 0.8);
    EXPECT_EQ(characteristics(), QStringList(4, "unavailable"));
    EXPECT_TRUE(play_answer().contains("a: not a number: 'abc'"));
    confirm(field("lineEdit_a"), "0.5");
    EXPECT_FALSE(marked("lineEdit_a"));
    EXPECT_EQ(P[1], 0.5);

    const double r = poc_sour_poz[1];
    const QString v = field("lineEdit_v")->text();
    confirm(field("lineEdit_r"), "far");
    EXPECT_TRUE(marked("lineEdit_r"));
    EXPECT_EQ(poc_sour_poz[1], r);
    EXPECT_EQ(field("lineEdit_v")->text(), v) << "no speed proposed for a distance not shown";
    EXPECT_TRUE(play_answer().contains("distance from the centre: not a number"));
    confirm(field("lineEdit_r"), "60");
    EXPECT_FALSE(marked("lineEdit_r"));

    confirm(field("lineEdit_outK"), "");
    EXPECT_TRUE(marked("lineEdit_outK"));
    confirm(field("lineEdit_outK"), "12");

    confirm(field("lineEdit_M"), "-1");
    EXPECT_FALSE(marked("lineEdit_M"));
    for (const QString &shown : characteristics()) {
        bool number = false;
        const double value = shown.toDouble(&number);
        EXPECT_TRUE(shown == "no horizon" || shown == "no stable orbit" ||
                    (number && std::isfinite(value)))
            << shown.toStdString();
    }
}

// A start from which no path leaves (inside the horizon, at the centre, beyond
// the escape radius), an angle off the polar range and a speed of light or
// more are marked and refused, as is a parameter whose powers would overflow.
// A horizon that grows past the start marks the start too.
TEST_F(Inputs, ObserverStartsAndValuesOutsideTheirRangeAreMarkedAndRefused)
{
    const struct {
        const char *field, *text, *told;
    } cases[] = {
        {"lineEdit_r", "1", "distance from the centre: r = 1 is inside r = 1.60"},
        {"lineEdit_r", "0", "distance from the centre: must be from 0.001 to 1000"},
        {"lineEdit_r", "1e30", "must be from 0.001 to 1000"},
        {"lineEdit_r", "1000", "r = 1000 is beyond r = 1000"},
        {"lineEdit_th", "200", "polar distance: must be from 0 to 180 degrees"},
        {"lineEdit_th", "-10", "polar distance: must be from 0 to 180 degrees"},
        {"lineEdit_v", "1", "tangential velocity: must be from -0.999999 to 0.999999"},
        {"lineEdit_M", "1e300", "M: must be from -1e6 to 1e6"},
    };
    for (auto [name, text, told] : cases) {
        SCOPED_TRACE(name + std::string(" = ") + text);
        const QString kept = field(name)->text();
        confirm(field(name), text);
        EXPECT_TRUE(marked(name));
        const QString answer = play_answer();
        EXPECT_TRUE(answer.contains(told) && !answer.contains(u'\n')) << answer.toStdString();
        confirm(field(name), kept);
        EXPECT_FALSE(marked(name));
    }
    EXPECT_TRUE(child<QLabel>(w, "label_1512")->text().contains("0°-180°"));

    confirm(field("lineEdit_r"), "3");
    EXPECT_FALSE(marked("lineEdit_r"));
    confirm(field("lineEdit_M"), "2");
    EXPECT_TRUE(marked("lineEdit_r")) << "the horizon is now beyond r = 3";
}

// Help for the metric fields.
TEST_F(Inputs, MetricFieldsExplainThemselves)
{
    const QString help = field("tf")->toolTip();
    for (const char *told :
         {"t for θ", "f for φ", "l for Λ", "m for M", "q for Q", "sin( )", "^", "single digits"})
        EXPECT_TRUE(help.contains(QString::fromUtf8(told))) << told;
    EXPECT_TRUE(help.startsWith(QString::fromUtf8("g_tφ = -((2*a*M*r*sin(θ)^2)")))
        << "the whole formula of a field too narrow for it";
    EXPECT_FALSE(field("tr")->toolTip().startsWith("g_tr =")) << "a short one shows itself";
}

} // namespace
