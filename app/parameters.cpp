// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/field_number.h"
#include "app/input_marks.h"
#include "app/mainwindow.h"

#include "app/shared.h"
#include "app/state.h"
#include "physics/frames.h"
#include "physics/orbits.h"
#include "ui_mainwindow.h"

#include <numbers>

namespace
{

// The disk weight N of the blend ratio 1:N, by item of the transparency box.
constexpr int transparency_weights[] = {1, 2, 5, 9, 65535};

} // namespace

void MainWindow::on_lineEdit_a_editingFinished()
{
    reload();
}
void MainWindow::on_lineEdit_M_editingFinished()
{
    reload();
}
void MainWindow::on_lineEdit_Q_editingFinished()
{
    reload();
}
void MainWindow::on_lineEdit_L_editingFinished()
{
    reload();
}

// Single precision, as the compilation pipeline and the animation run read
// the same fields: every reader then starts the observer at the same point.
void MainWindow::on_lineEdit_r_editingFinished()
{
    if (!take_start_radius())
        return;
    poc_sour_poz[1] = ui->lineEdit_r->text().toFloat();
    pre_v();
}

void MainWindow::on_lineEdit_th_editingFinished()
{
    if (!take_number(ui->lineEdit_th, "theta", true))
        return;
    poc_sour_poz[2] = double(ui->lineEdit_th->text().toFloat()) * std::numbers::pi / 180;
    pre_v();
}

// While the user types, the field keeps every keystroke and only tells
// whether the text can be used; the spin box takes it when editing finishes
// (take_speed_text, connected in the constructor). Text the program sets goes
// to the spin box at once.
void MainWindow::on_lineEdit_v_textChanged(const QString &)
{
    if (ui->lineEdit_v->isModified())
        mark_field(ui->lineEdit_v, value_problem(ui->lineEdit_v, "speed"));
    else
        take_speed_text();
}

// The spin box follows a usable text without writing it back, so the field
// keeps what was typed, decimals beyond the spin box's six included.
void MainWindow::take_speed_text()
{
    if (!take_number(ui->lineEdit_v, "speed", false))
        return;
    const double before = ui->spinBox_v->value();
    {
        const QSignalBlocker quiet(ui->spinBox_v);
        ui->spinBox_v->setValue(ui->lineEdit_v->text().toDouble());
    }
    if (ui->spinBox_v->value() != before)
        draw_geodetics();
}

// The arrows of the spin box write its value into the field; the text change
// that follows sets the spin box to the value it already has.
void MainWindow::on_spinBox_v_valueChanged(double)
{
    ui->lineEdit_v->setText(ui->spinBox_v->text());
    draw_geodetics();
}

// A proposed speed in the spin box's own format.
void MainWindow::show_speed(double v)
{
    ui->spinBox_v->setValue(v);
    ui->lineEdit_v->setText(ui->spinBox_v->text());
}

void MainWindow::on_spinBox_round_valueChanged(double)
{
    draw_geodetics();
}

void MainWindow::on_cBox_precise_currentTextChanged(const QString &)
{
    precise = ui->cBox_precise->currentText().toFloat();
}

void MainWindow::on_comboBox_transp_currentIndexChanged(int index)
{
    if (index >= 0 && index < int(std::size(transparency_weights)))
        transp = transparency_weights[index];
}

void MainWindow::on_checkBox_sour_toggled(bool checked)
{
    sour = checked;
}

// The characteristics fields show what the pipeline found, only: each edit is
// undone. A setText with the field's own text emits nothing, so this does not
// recurse.
void MainWindow::on_lineEdit_VneH_textChanged(const QString &)
{
    ui->lineEdit_VneH->setText(characteristics[0]);
}

void MainWindow::on_lineEdit_VniH_textChanged(const QString &)
{
    ui->lineEdit_VniH->setText(characteristics[1]);
}

void MainWindow::on_lineEdit_RSO_editingFinished()
{
    ui->lineEdit_RSO->setText(characteristics[2]);
}

void MainWindow::on_lineEdit_LSO_editingFinished()
{
    ui->lineEdit_LSO->setText(characteristics[3]);
}

// A disk whose outer edge does not lie beyond the inner one is stored but
// keeps the tables of the last sensible pair of radii.
void MainWindow::on_lineEdit_inK_editingFinished()
{
    if (!take_number(ui->lineEdit_inK, "disk inner", true))
        return;
    P[4] = ui->lineEdit_inK->text().toFloat();
    if (P[5] > P[4])
        O_Speed(P[4], P[5]);
}

void MainWindow::on_lineEdit_outK_editingFinished()
{
    if (!take_number(ui->lineEdit_outK, "disk outer", true))
        return;
    P[5] = ui->lineEdit_outK->text().toFloat();
    if (P[5] > P[4])
        O_Speed(P[4], P[5]);
}

// Only the first check computes the tables; later changes of the radii
// recompute them through the radius fields.
void MainWindow::on_checkBox_kepler_toggled(bool checked)
{
    if (checked && o_spd[0] == 0.0)
        O_Speed(P[4], P[5]);
}

// The speed of a right-handed circular orbit through the starting point, to
// six significant digits. Flat space has no orbit to propose, and on the axis
// there is no circle around it to orbit: the observer starts at rest.
void MainWindow::pre_v()
{
    show_speed(proposed_speed_here());
}

double MainWindow::proposed_speed_here()
{
    const bool on_axis = off_axis(poc_sour_poz[2]) != poc_sour_poz[2];
    return mink || on_axis ? 0.0 : field_number(OrbSpeed(poc_sour_poz, 1)).toDouble();
}

// Whether the speed field holds what pre_v would write for the start as it stands.
bool MainWindow::speed_is_proposed()
{
    return ui->lineEdit_v->text() == ui->spinBox_v->textFromValue(proposed_speed_here());
}

void MainWindow::take_azimuth()
{
    if (take_number(ui->lineEdit_phi, "phi", true))
        poc_sour_poz[3] = double(ui->lineEdit_phi->text().toFloat()) * std::numbers::pi / 180;
}
