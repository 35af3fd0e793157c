#include "app/mainwindow.h"
#include "app/pipeline.h"
#include "scene/state.h"
#include "support/widgets.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace
{

const char *const fields[16] = {"tt", "tr", "te", "tf", "rt", "rr", "re", "rf",
                                "et", "er", "ee", "ef", "ft", "fr", "fe", "ff"};

// The table as the user must see it, written out independently of the
// program's own copy.
struct shown_preset {
    const char *button;
    const char *tt, *tf, *rr, *ee, *ff, *a, *Q;
    bool flat;
};

const shown_preset table[5] = {
    {"radButn1", "-1", "0", "1", "r^2", "r^2*sin(θ)^2", "0", "0", true},
    {"radButn2", "-(1-2*M/r)", "0", "1/(1-2*M/r)", "r^2", "r^2*sin(θ)^2", "0", "0", false},
    {"radButn3", "-((Q^2-2*M*r+r^2)/r^2)", "0", "r^2/(Q^2-2*M*r+r^2)", "r^2", "r^2*sin(θ)^2", "0",
     "0.1", false},
    {"radButn4", "-1+(2*M*r)/(r^2+a^2*cos(θ)^2)", "-((2*a*M*r*sin(θ)^2)/(r^2+a^2*cos(θ)^2))",
     "(r^2+a^2*cos(θ)^2)/(a^2-2*M*r+r^2)", "r^2+a^2*cos(θ)^2",
     "sin(θ)^2*(a^2+r^2+(2*a^2*M*r*sin(θ)^2)/(r^2+a^2*cos(θ)^2))", "0.8", "0", false},
    {"radButn5", "-1-(Q^2-2*M*r)/(r^2+a^2*cos(θ)^2)", "(a*(Q^2-2*M*r)*sin(θ)^2)/(r^2+a^2*cos(θ)^2)",
     "(r^2+a^2*cos(θ)^2)/(a^2+Q^2-2*M*r+r^2)", "r^2+a^2*cos(θ)^2",
     "sin(θ)^2*(a^2+r^2-(a^2*(Q^2-2*M*r)*sin(θ)^2)/(r^2+a^2*cos(θ)^2))", "0.8", "0.1", false},
};

QString expected_text(const shown_preset &p, const QString &f)
{
    const char *diagonal[] = {p.tt, p.rr, p.ee, p.ff};
    return f[0] == f[1] ? diagonal[QString("tref").indexOf(f[0])]
                        : (f == "tf" || f == "ft" ? p.tf : "0");
}

} // namespace

class Presets : public ::testing::Test
{
  protected:
    MainWindow w;
    QLineEdit *field(const char *name) { return child<QLineEdit>(w, name); }
};

TEST_F(Presets, EachFillsTheEditorAndCompilesOnce)
{
    // Kerr is checked at start-up, so start elsewhere to see it switch too.
    for (int order : {0, 1, 2, 4, 3}) {
        const shown_preset &p = table[order];
        for (const char *name : fields)
            field(name)->setText("edited");
        field("lineEdit_a")->setText("edited");
        field("lineEdit_M")->setText("2");
        field("lineEdit_L")->setText("0.5");
        const long before = pipeline_runs();
        child<QRadioButton>(w, p.button)->click();
        EXPECT_EQ(pipeline_runs() - before, 1) << p.button;

        for (const char *name : fields) {
            EXPECT_EQ(field(name)->text(), expected_text(p, name)) << p.button << ' ' << name;
            EXPECT_EQ(field(name)->cursorPosition(), 0) << "shown from its start";
        }
        EXPECT_EQ(field("lineEdit_a")->text(), p.a) << p.button;
        EXPECT_EQ(field("lineEdit_Q")->text(), p.Q) << p.button;
        EXPECT_EQ(field("lineEdit_M")->text() + field("lineEdit_L")->text(), "20.5")
            << "presets leave M and Λ alone";
        EXPECT_EQ(mink, p.flat) << p.button;
        EXPECT_EQ(P[0], 2.0) << p.button;
    }
}

TEST_F(Presets, ClickingTheCheckedOneDoesNothing)
{
    auto *kerr = child<QRadioButton>(w, "radButn4");
    QSignalSpy toggles(kerr, &QRadioButton::toggled);
    field("tt")->setText("-1");
    const long before = pipeline_runs();
    kerr->click();
    EXPECT_EQ(toggles.count(), 0);
    EXPECT_EQ(pipeline_runs(), before);
    EXPECT_EQ(field("tt")->text(), "-1") << "the edit survives";
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
    QTest::keyClicks(ff, "t");
    EXPECT_EQ(ff->text(), "θM*sin(θ)^2+Q*Λ-φ/ar");
    EXPECT_EQ(ff->cursorPosition(), ff->text().size()) << "the rewrite moves the cursor to the end";

    QTest::keyClick(ff, Qt::Key_Return);
    EXPECT_EQ(pipeline_runs() - before, 1);
}
