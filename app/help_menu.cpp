// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/help_menu.h"

#include "app/state.h"
#include "expr/formula_syntax.h"
#include "expr/presets.h"
#include "physics/ray_batch.h"
#include "video/library_versions.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace
{

QString tr(const char *text)
{
    return QCoreApplication::translate("Help", text);
}

QDialog *text_window(QWidget *parent, const char *name, QString const &title)
{
    auto *dialog = new QDialog(parent);
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(title);
    dialog->resize(640, 520);
    new QVBoxLayout(dialog);
    return dialog;
}

QTextBrowser *browser(QWidget *parent)
{
    auto *b = new QTextBrowser(parent);
    b->setOpenExternalLinks(true);
    return b;
}

void show_html(QWidget *parent, const char *name, QString const &title, QString const &html)
{
    QDialog *dialog = text_window(parent, name, title);
    QTextBrowser *b = browser(dialog);
    b->setHtml(html);
    dialog->layout()->addWidget(b);
    dialog->show();
}

QString kind_title(SyntaxKind kind)
{
    switch (kind) {
    case SyntaxKind::coordinate:
        return tr("Coordinates");
    case SyntaxKind::parameter:
        return tr("Parameters (set on the parameters tab)");
    case SyntaxKind::number:
        return tr("Numbers");
    case SyntaxKind::operation:
        return tr("Operators");
    case SyntaxKind::bracket:
        return tr("Brackets");
    }
    return {};
}

QString syntax_row(QString const &symbol, QString const &typed, QString const &meaning,
                   QString const &example)
{
    return QStringLiteral("<tr><td><b>%1</b></td><td>%2</td><td>%3</td><td><tt>%4</tt></td></tr>")
        .arg(symbol.toHtmlEscaped(), typed.toHtmlEscaped(), meaning.toHtmlEscaped(),
             example.toHtmlEscaped());
}

QString syntax_rows(SyntaxKind kind)
{
    QString rows;
    for (const SyntaxEntry &e : formula_syntax)
        if (e.kind == kind)
            rows += syntax_row(QString::fromUtf8(e.symbol),
                               QString::fromUtf8(e.typed ? e.typed : e.symbol), tr(e.meaning),
                               QString::fromUtf8(e.example));
    return rows;
}

QString function_rows()
{
    QString rows;
    for (const FormulaFunction &f : formula_functions) {
        const QString name = QString::fromUtf16(f.name.data(), qsizetype(f.name.size()));
        const FunctionHelp *help = help_of_function(f.name);
        rows += syntax_row(name + QStringLiteral("( )"), name + u'(',
                           help ? tr(help->meaning) : QString(),
                           help ? QString::fromUtf8(help->example) : QString());
    }
    return rows;
}

QString table(QString const &title, QString const &rows)
{
    return QStringLiteral("<h3>%1</h3><table cellpadding=\"3\"><tr><th>%2</th><th>%3</th>"
                          "<th>%4</th><th>%5</th></tr>%6</table>")
        .arg(title, tr("Symbol"), tr("Key"), tr("Meaning"), tr("Example"), rows);
}

QString plain_text(QString text)
{
    return text.remove(u'&');
}

QString key_row(QString const &keys, QString const &what)
{
    return QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>")
        .arg(keys.toHtmlEscaped(), what.toHtmlEscaped());
}

void show_documentation(QMainWindow &window)
{
    const QDir folder(documentation_folder());
    const QString readme = folder.filePath(QStringLiteral("README.md"));
    if (!QFileInfo::exists(readme)) {
        window.statusBar()->showMessage(
            tr("The documentation is not installed: %1 holds no README.md")
                .arg(QDir::toNativeSeparators(folder.absolutePath())));
        return;
    }
    QDialog *dialog = text_window(&window, "documentation", tr("Tenebrion documentation"));
    auto *tabs = new QTabWidget(dialog);
    const struct {
        const char *file, *title;
    } pages[] = {{"README.md", "Read me"}, {"docs/render-farm.md", "Render farm guide"}};
    for (auto [file, title] : pages) {
        QTextBrowser *b = browser(tabs);
        b->setSource(QUrl::fromLocalFile(folder.filePath(QString::fromLatin1(file))),
                     QTextDocument::MarkdownResource);
        tabs->addTab(b, tr(title));
    }
    dialog->layout()->addWidget(tabs);
    dialog->show();
}

} // namespace

QString about_text()
{
    QString libraries;
    for (QString const &library : library_versions())
        libraries += QStringLiteral("<li>%1</li>").arg(library.toHtmlEscaped());
    return tr("<h2>Tenebrion %1</h2>"
              "<p>Shows what an observer sees near a black hole, or in any spacetime whose "
              "metric is typed as formulas.</p>"
              "<p>Licence: %2 (GNU General Public License, version 3 or any later version). "
              "Copyright 2026 the Tenebrion developers. This program comes with no warranty.</p>"
              "<p>Home page: <a href=\"%3\">%3</a></p>"
              "<p>Libraries:</p><ul>%4</ul>"
              "<p>Rays traced: %5</p>")
        .arg(QStringLiteral(TENEBRION_VERSION), QStringLiteral(TENEBRION_LICENSE),
             QStringLiteral(TENEBRION_HOMEPAGE), libraries,
             tracing_path_text(the_scene).toHtmlEscaped());
}

QString formula_syntax_text()
{
    QString html = tr("<p>Each of the 16 fields of the metric tab holds one component "
                      "g<sub>μν</sub> as a formula. Keys in the second column type the symbol "
                      "in the first.</p>");
    for (SyntaxKind kind :
         {SyntaxKind::coordinate, SyntaxKind::parameter, SyntaxKind::number, SyntaxKind::operation})
        html += table(kind_title(kind), syntax_rows(kind));
    html += table(tr("Functions"), function_rows());
    html += table(kind_title(SyntaxKind::bracket), syntax_rows(SyntaxKind::bracket));
    const MetricPreset &schwarzschild = presets[1];
    html +=
        tr("<h3>Example: the Schwarzschild metric</h3><p>g<sub>tt</sub> = <tt>%1</tt>, "
           "g<sub>rr</sub> = <tt>%2</tt>, g<sub>θθ</sub> = <tt>%3</tt>, g<sub>φφ</sub> = "
           "<tt>%4</tt>, all other components <tt>0</tt>.</p>")
            .arg(QString::fromUtf8(schwarzschild.g[0]), QString::fromUtf8(schwarzschild.g[5]),
                 QString::fromUtf8(schwarzschild.g[10]), QString::fromUtf8(schwarzschild.g[15]));
    return html;
}

QString keys_text(QWidget const &window)
{
    QString rows;
    for (QAction *action : window.findChildren<QAction *>())
        if (!action->shortcut().isEmpty())
            rows += key_row(action->shortcut().toString(QKeySequence::NativeText),
                            plain_text(action->text()));
    for (QAbstractButton *button : window.findChildren<QAbstractButton *>())
        if (!button->shortcut().isEmpty())
            rows += key_row(button->shortcut().toString(QKeySequence::NativeText),
                            button->toolTip().section(u' ', 0, 0));
    rows += key_row(tr("Return"), tr("Confirm the field being edited"));
    rows += key_row(tr("Tab, Shift+Tab"), tr("Next or previous field"));
    rows += key_row(tr("Left, Right, Page Up, Page Down, Home, End"),
                    tr("Browse the frames when the frame slider has the focus"));
    return QStringLiteral("<table cellpadding=\"3\">%1</table>").arg(rows);
}

QString documentation_folder()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/doc/tenebrion"));
}

void add_help_menu(QMainWindow &window)
{
    QMenu *help = window.menuBar()->addMenu(tr("&Help"));
    const auto add = [&](const char *text, const char *name, auto show) {
        QAction *action = help->addAction(tr(text), &window, show);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    add("&Formula syntax", "action_formula_syntax", [&window] {
        show_html(&window, "formula_syntax", tr("Formula syntax"), formula_syntax_text());
    })->setShortcut(QKeySequence::HelpContents);
    add("&Keys", "action_keys",
        [&window] { show_html(&window, "keys", tr("Keys"), keys_text(window)); });
    add("&Documentation", "action_documentation", [&window] { show_documentation(window); });
    help->addSeparator();
    add("&About Tenebrion", "action_about",
        [&window] { show_html(&window, "about", tr("About Tenebrion"), about_text()); });
}
