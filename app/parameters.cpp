#include "app/mainwindow.h"

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
    poc_sour_poz[1] = ui->lineEdit_r->text().toFloat();
    pre_v();
}

void MainWindow::on_lineEdit_th_editingFinished()
{
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

// The slots below need the horizon, orbit and disk searches; until those
// exist they leave the fields and the tables as they are.
void MainWindow::on_lineEdit_VneH_textChanged(const QString &) {}
void MainWindow::on_lineEdit_VniH_textChanged(const QString &) {}
void MainWindow::on_lineEdit_RSO_editingFinished() {}
void MainWindow::on_lineEdit_LSO_editingFinished() {}
void MainWindow::on_lineEdit_inK_editingFinished() {}
void MainWindow::on_lineEdit_outK_editingFinished() {}
void MainWindow::on_checkBox_kepler_toggled(bool) {}
void MainWindow::pre_v() {}
