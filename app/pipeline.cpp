#include "app/pipeline.h"

#include "app/field_number.h"
#include "app/mainwindow.h"
#include "app/metric_fields.h"
#include "expr/christoffel.h"
#include "physics/orbits.h"
#include "scene/state.h"
#include "ui_mainwindow.h"

#include <numbers>

namespace
{

long runs = 0;

void take_metric(const Ui::MainWindow &ui)
{
    const auto fields = metric_fields(ui);
    for (int i = 0; i < 16; ++i)
        the_scene.metric_texts[i] = fields[i]->text();
    compile_metric(the_scene);
}

// M, a, Q, Λ and the outer disk radius in double precision; accuracy and
// starting point in single precision, like every other reader of those fields.
void read_parameters(const Ui::MainWindow &ui)
{
    P[0] = ui.lineEdit_M->text().toDouble();
    P[1] = ui.lineEdit_a->text().toDouble();
    P[2] = ui.lineEdit_Q->text().toDouble();
    P[3] = ui.lineEdit_L->text().toDouble();
    P[5] = ui.lineEdit_outK->text().toDouble();
    precise = ui.cBox_precise->currentText().toFloat();
    poc_sour_poz[1] = ui.lineEdit_r->text().toFloat();
    poc_sour_poz[2] = double(ui.lineEdit_th->text().toFloat()) * std::numbers::pi / 180;
}

// Flat space has no orbits to show. Its horizon values are the search's own
// flat answer, so that what the fields show (their change handlers refill the
// two horizon fields) is the capture radius the geodesic views really use,
// not one left over from the previous metric.
void show_flat(const Ui::MainWindow &ui)
{
    VnH();
    for (QLineEdit *field :
         {ui.lineEdit_VneH, ui.lineEdit_VniH, ui.lineEdit_RSO, ui.lineEdit_inK, ui.lineEdit_LSO})
        field->setText(QString());
}

// The orbit search integrates up to twenty orbits; its right-handed result
// serves three purposes and is computed once.
void show_curved(const Ui::MainWindow &ui)
{
    VnH();
    const double right = lim_stab_orb(1);
    P[4] = right;
    ui.lineEdit_VneH->setText(field_number(VneH()));
    ui.lineEdit_VniH->setText(field_number(VniH()));
    ui.lineEdit_RSO->setText(field_number(right));
    ui.lineEdit_inK->setText(field_number(right));
    ui.lineEdit_LSO->setText(field_number(lim_stab_orb(-1)));
}

} // namespace

long pipeline_runs()
{
    return runs;
}

// Setting the output fields emits no editingFinished, so nothing here
// re-enters the pipeline or recomputes the disk tables for the new inner
// radius; the disk box and the radius fields do that when asked.
void MainWindow::reload()
{
    ++runs;
    take_metric(*ui);
    read_parameters(*ui);
    refresh_fused();
    P[4] = 1.0;
    if (mink) {
        show_flat(*ui);
        return;
    }
    show_curved(*ui);
    // Re-reads r and proposes the velocity, which redraws the observer's path.
    emit ui->lineEdit_r->editingFinished();
}
