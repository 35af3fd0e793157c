// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/gui/support/window_test.h"

#include "app/help_menu.h"
#include "expr/formula_check.h"
#include "expr/formula_syntax.h"
#include "physics/ray_batch.h"
#include "scene/value_ranges.h"
#include "video/library_versions.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QStatusBar>
#include <QTextBrowser>

namespace
{

using Help = WindowTest;

// The text of the window the Help menu's action opened, closed afterwards.
QString opened_text(MainWindow &w, const char *action, const char *dialog)
{
    child<QAction>(w, action)->trigger();
    auto *shown = child<QDialog>(w, dialog);
    const QString text = child<QTextBrowser>(*shown, nullptr)->toPlainText();
    delete shown;
    return text;
}

TEST_F(Help, AboutNamesVersionLicenceLibrariesAndTracingPath)
{
    const QString about = opened_text(w, "action_about", "about");
    EXPECT_TRUE(about.contains(QStringLiteral("Tenebrion " TENEBRION_VERSION)))
        << about.toStdString();
    EXPECT_TRUE(about.contains("GPL-3.0-or-later")) << about.toStdString();
    const QStringList libraries = library_versions();
    for (const char *name : {"Qt ", "asmjit ", "SLEEF ", "libavformat ", "libavcodec "})
        EXPECT_EQ(libraries.filter(QString::fromLatin1(name)).size(), 1) << name;
    for (QString const &library : libraries)
        EXPECT_TRUE(about.contains(library)) << library.toStdString();
    EXPECT_TRUE(about.contains(QStringLiteral("Rays traced: ") + tracing_path_text(the_scene)));
}

// Each symbol the help lists is one the check takes, in its example; a
// letter, operator or function outside the table is one the check refuses.
TEST_F(Help, FormulaSyntaxListsExactlyWhatTheCheckAccepts)
{
    const QString help = opened_text(w, "action_formula_syntax", "formula_syntax");
    const double P[4] = {1, 0.8, 0.1, 0};
    for (const SyntaxEntry &e : formula_syntax) {
        EXPECT_TRUE(help.contains(QString::fromUtf8(e.symbol))) << e.symbol;
        EXPECT_TRUE(help.contains(QString::fromUtf8(e.meaning))) << e.meaning;
        EXPECT_TRUE(help.contains(QString::fromUtf8(e.example))) << e.example;
        EXPECT_FALSE(formula_problem_of(QString::fromUtf8(e.example), P)) << e.example;
    }
    for (const FormulaFunction &f : formula_functions) {
        const QString name = QString::fromUtf16(f.name.data(), qsizetype(f.name.size()));
        const FunctionHelp *h = help_of_function(f.name);
        ASSERT_TRUE(h) << "no help for " << name.toStdString();
        EXPECT_TRUE(help.contains(name + "( )")) << name.toStdString();
        EXPECT_TRUE(help.contains(QString::fromUtf8(h->example))) << h->example;
        EXPECT_FALSE(formula_problem_of(QString::fromUtf8(h->example), P)) << h->example;
    }
    for (const char *outside : {"x*r", "r%2", "tan(r)", "r!", "ψ+r", "[r]", "e"})
        EXPECT_TRUE(formula_problem_of(QString::fromUtf8(outside), P)) << outside;
}

// The manual page names every function and every valid range.
TEST(ManualPage, NamesEveryFunctionAndRange)
{
    QFile file(QStringLiteral(TENEBRION_MANUAL_DIR "/tenebrion.1.in"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString page =
        QString::fromUtf8(file.readAll()).remove("\\fB").remove("\\fR").replace("\\-", "-");
    for (const FormulaFunction &f : formula_functions)
        EXPECT_TRUE(page.contains(QString::fromUtf16(f.name.data(), qsizetype(f.name.size()))));
    for (const ValueRange &range : value_ranges)
        EXPECT_TRUE(page.contains(QString::fromUtf8(range.reads))) << range.key;
}

TEST_F(Help, KeysListEveryShortcutOfTheWindow)
{
    const QString keys = opened_text(w, "action_keys", "keys");
    for (const char *shortcut : {"Ctrl+R", "Esc", "Ctrl+O", "Ctrl+S", "F1", "Return"})
        EXPECT_TRUE(keys.contains(QString::fromLatin1(shortcut))) << shortcut;
    EXPECT_TRUE(keys.contains("Render")) << keys.toStdString();
}

// The tests run from the build folder, where nothing is installed.
TEST_F(Help, DocumentationNotInstalledIsSaidInTheStatusBar)
{
    child<QAction>(w, "action_documentation")->trigger();
    EXPECT_TRUE(w.statusBar()->currentMessage().contains(documentation_folder()));
    EXPECT_FALSE(w.findChild<QDialog *>("documentation"));
}

} // namespace
