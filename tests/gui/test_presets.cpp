// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/pipeline.h"
#include "expr/presets.h"
#include "tests/gui/support/window_test.h"

#include <QRadioButton>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <string>

namespace
{

const char *const fields[16] = {"tt", "tr", "te", "tf", "rt", "rr", "re", "rf",
                                "et", "er", "ee", "ef", "ft", "fr", "fe", "ff"};

} // namespace

using Presets = WindowTest;

TEST_F(Presets, EachFillsTheEditorAndCompilesOnce)
{
    // Kerr is checked at start-up, so start elsewhere to see it switch too.
    for (int order : {0, 1, 2, 4, 3}) {
        const MetricPreset &p = presets[order];
        const std::string button = "radButn" + std::to_string(order + 1);
        for (const char *name : fields)
            field(name)->setText("edited");
        field("lineEdit_a")->setText("edited");
        field("lineEdit_M")->setText("2");
        field("lineEdit_L")->setText("0.5");
        const long before = pipeline_runs();
        child<QRadioButton>(w, button.c_str())->click();
        EXPECT_EQ(pipeline_runs() - before, 1) << button;

        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(field(fields[i])->text(), QString::fromUtf8(p.g[i])) << button << ' ' << i;
            EXPECT_EQ(field(fields[i])->cursorPosition(), 0) << "shown from its start";
        }
        EXPECT_EQ(field("lineEdit_a")->text() + ' ' + field("lineEdit_Q")->text(),
                  QString(p.a) + ' ' + p.Q)
            << button;
        EXPECT_EQ(field("lineEdit_M")->text() + field("lineEdit_L")->text(), "20.5")
            << "presets leave M and Λ alone";
        EXPECT_EQ(mink, p.flat) << button;
    }
}

// An edit not yet confirmed leaves the preset checked and a click on it does
// nothing; a confirmed one leaves no preset checked (nor flat space behind an
// edited flat metric), and a click brings the preset's formulas back.
TEST_F(Presets, ClickingTheCheckedOneDoesNothingUntilAnEditIsConfirmed)
{
    auto *kerr = child<QRadioButton>(w, "radButn4");
    QSignalSpy toggles(kerr, &QRadioButton::toggled);
    field("tt")->setText("-1");
    const long before = pipeline_runs();
    kerr->click();
    EXPECT_EQ(toggles.count(), 0);
    EXPECT_EQ(pipeline_runs(), before);
    EXPECT_EQ(field("tt")->text(), "-1") << "the edit survives";

    for (auto [name, index] : {std::pair{"radButn4", 3}, {"radButn1", 0}}) {
        auto *button = child<QRadioButton>(w, name);
        button->click();
        confirm(field("rr"), "1+2/r");
        EXPECT_FALSE(button->isChecked() || mink) << name;
        button->click();
        EXPECT_EQ(field("rr")->text(), QString::fromUtf8(presets[index].g[5])) << name;
        EXPECT_EQ(mink, presets[index].flat) << name;
    }
}

TEST_F(Presets, TypingSubstitutesAndOnlyConfirmingCompiles)
{
    auto *ff = field("ff");
    ff->clear();
    const long before = pipeline_runs();
    QTest::keyClicks(ff, "m*sin(t)^2+q*l-f/ar");
    EXPECT_EQ(ff->text(), "M*sin(θ)^2+Q*Λ-φ/ar");
    EXPECT_EQ(ff->cursorPosition(), ff->text().size());
    EXPECT_EQ(pipeline_runs(), before) << "typing compiles nothing";

    ff->setCursorPosition(0);
    QTest::keyClicks(ff, "t*");
    EXPECT_EQ(ff->text(), "θ*M*sin(θ)^2+Q*Λ-φ/ar");
    EXPECT_EQ(ff->cursorPosition(), 2) << "the rewrite keeps the cursor after what was typed";

    QTest::keyClick(ff, Qt::Key_Return);
    EXPECT_EQ(pipeline_runs() - before, 1);
}
