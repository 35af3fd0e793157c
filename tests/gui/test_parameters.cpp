#include "app/shared.h"
#include "app/state.h"
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

TEST_F(Parameters, TypedOrPastedVelocityThatChangesTheSpeedIsReformatted)
{
    auto *v = field("lineEdit_v");
    confirm(v, "0.5");
    ASSERT_EQ(v->text(), "0.500000");

    v->setFocus();
    v->end(false);
    QTest::keyClick(v, Qt::Key_Backspace);
    EXPECT_EQ(v->text(), "0.50000") << "same speed: the typed text stays";
    QTest::keyClicks(v, "1");
    EXPECT_EQ(v->text(), "0.500001");
    QTest::keyClicks(v, "9");
    EXPECT_EQ(v->text(), "0.500002") << "rounded to the spin box's six decimals";
    EXPECT_EQ(spin()->value(), 0.500002);

    v->setCursorPosition(1);
    QTest::keyClicks(v, "x");
    EXPECT_EQ(v->text(), "0.000000") << "text that does not parse counts as 0";
    EXPECT_EQ(v->cursorPosition(), v->text().size());

    v->selectAll();
    QTest::keyClicks(v, "-");
    EXPECT_EQ(v->text(), "-") << "a lone minus reads as 0, as before";
    QTest::keyClicks(v, "3");
    EXPECT_EQ(v->text(), "-0.999999") << "clamped";

    for (const auto &[pasted, shown] : {std::pair{"0.5", "0.500000"}, std::pair{"2", "0.999999"}}) {
        QApplication::clipboard()->setText(pasted);
        v->selectAll();
        v->paste();
        EXPECT_EQ(v->text(), shown) << pasted;
        EXPECT_EQ(spin()->text(), shown) << pasted;
    }
    spin()->stepDown();
    EXPECT_EQ(v->text(), "0.999899") << "the spin box's arrows reach the field too";
}

TEST_F(Parameters, CharacteristicsFieldsResistEditing)
{
    auto *outer = field("lineEdit_VneH");
    outer->setFocus();
    QTest::keyClicks(outer, "9");
    EXPECT_EQ(outer->text(), "1.6") << "undone at once";
    QTest::keyClick(field("lineEdit_VniH"), Qt::Key_Backspace);
    EXPECT_EQ(field("lineEdit_VniH")->text(), "0.4");

    const QString right = field("lineEdit_RSO")->text();
    auto *rso = field("lineEdit_RSO");
    rso->selectAll();
    QTest::keyClicks(rso, "3");
    EXPECT_EQ(rso->text(), "3") << "undone only when editing finishes";
    QTest::keyClick(rso, Qt::Key_Return);
    EXPECT_EQ(rso->text(), right);

    child<QRadioButton>(w, "radButn1")->click();
    confirm(rso, "3");
    EXPECT_TRUE(rso->text().isEmpty()) << "flat space has no orbit to restore";
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

TEST_F(Parameters, ConfirmedStartingPointProposesTheOrbitalSpeed)
{
    child<QRadioButton>(w, "radButn2")->click();
    confirm(field("lineEdit_th"), "90");
    confirm(field("lineEdit_r"), "6");
    EXPECT_EQ(field("lineEdit_v")->text(), "0.500000") << "√(M/(r − 2M)) at r = 6";
    child<QRadioButton>(w, "radButn1")->click();
    confirm(field("lineEdit_r"), "30");
    EXPECT_EQ(field("lineEdit_v")->text(), "0.000000") << "flat space proposes rest";
}
