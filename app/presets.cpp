// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"

#include "app/metric_fields.h"
#include "app/shared.h"
#include "app/state.h"
#include "expr/postfix.h"
#include "expr/presets.h"
#include "ui_mainwindow.h"

#include <QLineEdit>
#include <QSignalBlocker>

namespace
{

// The cursor stands just after what was typed. setText emits no textEdited,
// so this cannot recurse; it would move the cursor to the end, so the cursor
// is put back (corect changes no length).
void substitute(MainWindow &w, QLineEdit *field, const QString &typed)
{
    const int cursor = field->cursorPosition();
    field->setText(w.corect(typed, cursor));
    field->setCursorPosition(cursor);
}

bool is_name_letter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
           QStringLiteral("Λθφ").contains(c);
}

// A letter as it was typed before the shortcuts replaced it.
QChar as_typed(QChar c)
{
    switch (c.unicode()) {
    case u'θ':
        return u't';
    case u'φ':
        return u'f';
    case u'Λ':
        return u'l';
    case u'M':
        return u'm';
    case u'Q':
        return u'q';
    default:
        return c;
    }
}

// The letters before a "(" at `bracket`, put back as typed where they then
// spell a function's name ("sQrθ(" → "sqrt(").
void restore_function_name(QString &text, qsizetype bracket)
{
    qsizetype start = bracket;
    while (start > 0 && is_name_letter(text[start - 1]))
        --start;
    for (qsizetype from = start; from < bracket; ++from) {
        QString name = text.mid(from, bracket - from);
        for (QChar &c : name)
            c = as_typed(c);
        if (function_at(name + u'(', 0) >= 0) {
            text.replace(from, name.size(), name);
            return;
        }
    }
}

// Setting texts programmatically emits neither textEdited nor editingFinished,
// so filling the fields runs no slot; the caller compiles once, at the end.
void fill_preset(const Ui::MainWindow &ui, int index)
{
    const MetricPreset &preset = presets[index];
    mink = preset.flat;
    const auto fields = metric_fields(ui);
    // A formula is read from its start; setText alone would show its tail.
    for (int i = 0; i < 16; ++i) {
        fields[i]->setText(QString::fromUtf8(preset.g[i]));
        fields[i]->setCursorPosition(0);
    }
    ui.lineEdit_a->setText(QString::fromUtf8(preset.a));
    ui.lineEdit_Q->setText(QString::fromUtf8(preset.Q));
}

void choose_preset(MainWindow &w, const Ui::MainWindow &ui, bool checked, int index)
{
    if (!checked)
        return;
    fill_preset(ui, index);
    w.reload();
}

bool fields_hold_preset(const Ui::MainWindow &ui, int index)
{
    const auto fields = metric_fields(ui);
    for (int i = 0; i < 16; ++i)
        if (fields[i]->text() != QString::fromUtf8(presets[index].g[i]))
            return false;
    return true;
}

} // namespace

// A preset stays checked only while every formula is still its own, so that a
// click on it brings it back after an edit. Flat space belongs to the flat
// preset's formulas, not to whatever is typed over them.
void MainWindow::uncheck_edited_preset()
{
    QRadioButton *const buttons[] = {ui->radButn1, ui->radButn2, ui->radButn3, ui->radButn4,
                                     ui->radButn5};
    for (int i = 0; i < 5; ++i) {
        if (!buttons[i]->isChecked() || fields_hold_preset(*ui, i))
            continue;
        const QSignalBlocker quiet(buttons[i]);
        // A checked button of an exclusive group cannot be unchecked directly.
        buttons[i]->setAutoExclusive(false);
        buttons[i]->setChecked(false);
        buttons[i]->setAutoExclusive(true);
        mink = false;
    }
}

// The button that loses the selection reports false and changes nothing.
void MainWindow::on_radButn1_toggled(bool checked)
{
    choose_preset(*this, *ui, checked, 0);
}
void MainWindow::on_radButn2_toggled(bool checked)
{
    choose_preset(*this, *ui, checked, 1);
}
void MainWindow::on_radButn3_toggled(bool checked)
{
    choose_preset(*this, *ui, checked, 2);
}
void MainWindow::on_radButn4_toggled(bool checked)
{
    choose_preset(*this, *ui, checked, 3);
}
void MainWindow::on_radButn5_toggled(bool checked)
{
    choose_preset(*this, *ui, checked, 4);
}

// A confirmed edit of any component recompiles the whole metric: the adjugate
// and the determinant depend on every component.
void MainWindow::on_tt_editingFinished()
{
    reload();
}
void MainWindow::on_tr_editingFinished()
{
    reload();
}
void MainWindow::on_te_editingFinished()
{
    reload();
}
void MainWindow::on_tf_editingFinished()
{
    reload();
}
void MainWindow::on_rt_editingFinished()
{
    reload();
}
void MainWindow::on_rr_editingFinished()
{
    reload();
}
void MainWindow::on_re_editingFinished()
{
    reload();
}
void MainWindow::on_rf_editingFinished()
{
    reload();
}
void MainWindow::on_et_editingFinished()
{
    reload();
}
void MainWindow::on_er_editingFinished()
{
    reload();
}
void MainWindow::on_ee_editingFinished()
{
    reload();
}
void MainWindow::on_ef_editingFinished()
{
    reload();
}
void MainWindow::on_ft_editingFinished()
{
    reload();
}
void MainWindow::on_fr_editingFinished()
{
    reload();
}
void MainWindow::on_fe_editingFinished()
{
    reload();
}
void MainWindow::on_ff_editingFinished()
{
    reload();
}

void MainWindow::on_tt_textEdited(const QString &text)
{
    substitute(*this, ui->tt, text);
}
void MainWindow::on_tr_textEdited(const QString &text)
{
    substitute(*this, ui->tr, text);
}
void MainWindow::on_te_textEdited(const QString &text)
{
    substitute(*this, ui->te, text);
}
void MainWindow::on_tf_textEdited(const QString &text)
{
    substitute(*this, ui->tf, text);
}
void MainWindow::on_rt_textEdited(const QString &text)
{
    substitute(*this, ui->rt, text);
}
void MainWindow::on_rr_textEdited(const QString &text)
{
    substitute(*this, ui->rr, text);
}
void MainWindow::on_re_textEdited(const QString &text)
{
    substitute(*this, ui->re, text);
}
void MainWindow::on_rf_textEdited(const QString &text)
{
    substitute(*this, ui->rf, text);
}
void MainWindow::on_et_textEdited(const QString &text)
{
    substitute(*this, ui->et, text);
}
void MainWindow::on_er_textEdited(const QString &text)
{
    substitute(*this, ui->er, text);
}
void MainWindow::on_ee_textEdited(const QString &text)
{
    substitute(*this, ui->ee, text);
}
void MainWindow::on_ef_textEdited(const QString &text)
{
    substitute(*this, ui->ef, text);
}
void MainWindow::on_ft_textEdited(const QString &text)
{
    substitute(*this, ui->ft, text);
}
void MainWindow::on_fr_textEdited(const QString &text)
{
    substitute(*this, ui->fr, text);
}
void MainWindow::on_fe_textEdited(const QString &text)
{
    substitute(*this, ui->fe, text);
}
void MainWindow::on_ff_textEdited(const QString &text)
{
    substitute(*this, ui->ff, text);
}

// Lets a plain keyboard type θ, φ and Λ, M and Q in either case, and the time
// coordinate t as T. Only the character just typed (the one before the
// cursor) is replaced, so a t already in the field, from a scene file or
// pasted, stays the time coordinate, and a function name is restored once
// its "(" is typed.
QString MainWindow::corect(QString text, qsizetype cursor)
{
    if (cursor < 1 || cursor > text.size())
        return text;
    QChar &c = text[cursor - 1];
    switch (c.unicode()) {
    case u't':
        c = u'θ';
        break;
    case u'T':
        c = u't';
        break;
    case u'f':
        c = u'φ';
        break;
    case u'l':
        c = u'Λ';
        break;
    case u'm':
        c = u'M';
        break;
    case u'q':
        c = u'Q';
        break;
    case u'(':
        restore_function_name(text, cursor - 1);
        break;
    default:
        break;
    }
    return text;
}
