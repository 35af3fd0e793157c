#include "app/field_number.h"
#include "app/mainwindow.h"

#include "physics/frames.h"
#include "physics/orbits.h"
#include "app/shared.h"
#include "app/state.h"
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
    if (!take_number(ui->lineEdit_r, true))
        return;
    poc_sour_poz[1] = ui->lineEdit_r->text().toFloat();
    pre_v();
}

void MainWindow::on_lineEdit_th_editingFinished()
{
    if (!take_number(ui->lineEdit_th, true))
        return;
    poc_sour_poz[2] = double(ui->lineEdit_th->text().toFloat()) * std::numbers::pi / 180;
    pre_v();
}

// The line edit and the spin box mirror each other. The chain ends because
// setting the spin box to its own value emits nothing.
void MainWindow::on_lineEdit_v_textChanged(const QString &)
{
    ui->spinBox_v->setValue(ui->lineEdit_v->text().toDouble());
}

void MainWindow::on_spinBox_v_valueChanged(double)
{
    ui->lineEdit_v->setText(ui->spinBox_v->text());
    draw_geodetics();
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
    if (!take_number(ui->lineEdit_inK, true))
        return;
    P[4] = ui->lineEdit_inK->text().toFloat();
    if (P[5] > P[4])
        O_Speed(P[4], P[5]);
}

void MainWindow::on_lineEdit_outK_editingFinished()
{
    if (!take_number(ui->lineEdit_outK, true))
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

// The speed of a right-handed circular orbit through the starting point; flat
// space has none, and the empty text reads as 0. On the axis there is no
// circle around it to orbit, and the observer starts at rest.
void MainWindow::pre_v()
{
    if (mink) {
        ui->lineEdit_v->setText(QString());
        return;
    }
    const bool on_axis = off_axis(poc_sour_poz[2]) != poc_sour_poz[2];
    ui->lineEdit_v->setText(field_number(on_axis ? 0.0 : OrbSpeed(poc_sour_poz, 1)));
}
