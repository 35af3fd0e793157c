// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/input_marks.h"
#include "tests/gui/support/window_test.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDoubleSpinBox>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>

class Parameters : public WindowTest
{
  protected:
    QDoubleSpinBox *spin() { return child<QDoubleSpinBox>(w, "spinBox_v"); }
};

// Real keystrokes: the field keeps what is typed, the spin box takes a usable
// value when editing finishes, and what the speed cannot be is marked and
// leaves the spin box alone.
TEST_F(Parameters, TypedOrPastedVelocityStaysAsTypedAndReachesTheSpinBoxWhenConfirmed)
{
    auto *v = field("lineEdit_v");
    confirm(v, "0.5");
    ASSERT_EQ(spin()->value(), 0.5);
    // The spin box after Return: the previous value when the text is refused.
    for (auto [typed, after] : {std::pair{"0.25", 0.25},
                                {"-0.3", -0.3},
                                {"2", -0.3},
                                {"abc", -0.3},
                                {"0.1234567", 0.123457}}) {
        SCOPED_TRACE(typed);
        bool number = false;
        const bool refused = std::abs(QString(typed).toDouble(&number)) >= 1 || !number;
        const double before = spin()->value();
        v->setFocus();
        v->selectAll();
        QTest::keyClicks(v, typed);
        EXPECT_EQ(spin()->value(), before) << "nothing moves while the user types";
        EXPECT_EQ(field_problem(v).isEmpty(), !refused) << "marked as soon as it is typed";
        QTest::keyClick(v, Qt::Key_Return);
        EXPECT_EQ(v->text(), typed) << "kept as typed";
        EXPECT_EQ(spin()->value(), after);
    }
    QApplication::clipboard()->setText("0.75");
    v->selectAll();
    v->paste();
    EXPECT_EQ(v->text(), "0.75");
    QTest::keyClick(v, Qt::Key_Return);
    EXPECT_EQ(spin()->value(), 0.75);
    EXPECT_EQ(v->text(), "0.75");

    spin()->stepDown();
    EXPECT_EQ(v->text(), "0.749900") << "the spin box's arrows write its own format";
}

TEST_F(Parameters, CharacteristicsFieldsResistEditing)
{
    auto *outer = field("lineEdit_VneH");
    outer->setFocus();
    QTest::keyClicks(outer, "9");
    EXPECT_EQ(outer->text(), "1.6") << "undone at once";
    QTest::keyClick(field("lineEdit_VniH"), Qt::Key_Backspace);
    EXPECT_EQ(field("lineEdit_VniH")->text(), "0.4");
    auto *rso = field("lineEdit_RSO");
    const QString right = rso->text();
    rso->selectAll();
    QTest::keyClicks(rso, "3");
    EXPECT_EQ(rso->text(), "3") << "undone only when editing finishes";
    QTest::keyClick(rso, Qt::Key_Return);
    EXPECT_EQ(rso->text(), right);
}

// Schwarzschild gives the tables a closed form: a static observer sees a
// circular orbit at r pass at √(M/(r − 2M)).
TEST_F(Parameters, DiskTablesFollowTheRadiiOnlyWhenTheDiskMakesSense)
{
    child<QRadioButton>(w, "radButn2")->click();
    std::fill(std::begin(o_spd), std::end(o_spd), 0.0);
    auto *disk = child<QCheckBox>(w, "checkBox_kepler");
    disk->setChecked(true);
    const double first = o_spd[0];
    EXPECT_NEAR(first, 1 / std::sqrt(P[4] - 2), 1e-6) << "first check computes the tables";

    confirm(field("lineEdit_inK"), "20");
    EXPECT_EQ(P[4], 20.0);
    EXPECT_EQ(o_spd[0], first) << "outer 12 is not beyond inner 20";
    disk->setChecked(false);
    disk->setChecked(true);
    EXPECT_EQ(o_spd[0], first) << "only the first check computes";

    confirm(field("lineEdit_outK"), "30.1");
    EXPECT_EQ(P[5], double(30.1f)) << "single precision";
    EXPECT_NEAR(o_spd[0], 1 / std::sqrt(18.0), 1e-6);
}

// √(M/(r − 2M)) at r = 6; flat space proposes rest.
TEST_F(Parameters, ConfirmedStartingPointProposesTheOrbitalSpeed)
{
    child<QRadioButton>(w, "radButn2")->click();
    confirm(field("lineEdit_th"), "90");
    confirm(field("lineEdit_r"), "6");
    EXPECT_EQ(field("lineEdit_v")->text(), "0.500000");
    child<QRadioButton>(w, "radButn1")->click();
    confirm(field("lineEdit_r"), "30");
    EXPECT_EQ(field("lineEdit_v")->text(), "0.000000");
}
