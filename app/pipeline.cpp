// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/pipeline.h"

#include "app/field_number.h"
#include "app/input_marks.h"
#include "app/mainwindow.h"
#include "app/metric_fields.h"
#include "app/shared.h"
#include "app/state.h"
#include "expr/christoffel.h"
#include "expr/formula_check.h"
#include "physics/frames.h"
#include "physics/orbits.h"
#include "physics/spacetime_check.h"
#include "scene/value_ranges.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>
#include <vector>

namespace
{

long runs = 0;

QString tr(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

// Whether the field holds a number inside the range of `key`; marks it or
// clears its mark.
bool checked_number(QLineEdit *field, const char *key, bool single)
{
    mark_field(field, value_problem(field, key, single));
    return field_problem(field).isEmpty();
}

// The outer disk radius in double precision; accuracy and starting point in
// single precision, like every other reader of those fields. A field that
// holds no number keeps the value it last had and is marked.
void read_parameters(const Ui::MainWindow &ui)
{
    if (checked_number(ui.lineEdit_outK, "disk outer", false))
        P[5] = ui.lineEdit_outK->text().toDouble();
    precise = ui.cBox_precise->currentText().toFloat();
    if (checked_number(ui.lineEdit_r, "r", true))
        poc_sour_poz[1] = ui.lineEdit_r->text().toFloat();
    if (checked_number(ui.lineEdit_th, "theta", true))
        poc_sour_poz[2] = double(ui.lineEdit_th->text().toFloat()) * std::numbers::pi / 180;
}

// A stable-orbit radius to the 10⁻⁶ it is found to, without trailing zeros.
QString orbit_number(double r)
{
    QString text = QString::number(r, 'f', 6);
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
    return text;
}

// The innermost stable orbit in direction n, and where a cosmological
// constant bounds them, the band's outer edge too.
QString orbit_text(int n)
{
    const double inner = lim_stab_orb(n);
    if (std::isnan(inner))
        return tr("no stable orbit");
    const double outer = outer_stable_limit(the_scene.metric, the_scene.horizons, n);
    if (std::isnan(outer))
        return orbit_number(inner);
    return tr("%1 to %2").arg(orbit_number(inner), orbit_number(outer));
}

QString radii_text(const std::vector<double> &radii)
{
    if (radii.empty())
        return tr("none");
    QStringList texts;
    for (double r : radii)
        texts << field_number(r);
    return texts.join(tr(" and "));
}

// One list where both directions agree (no spin), else each with its own.
QString photon_orbit_text()
{
    const QString right = radii_text(photon_orbits(the_scene.metric, the_scene.horizons, 1));
    const QString left = radii_text(photon_orbits(the_scene.metric, the_scene.horizons, -1));
    if (right == left)
        return right;
    return tr("%1 right-handed, %2 left-handed").arg(right, left);
}

// Marks the component at fault, every metric field when the metric as a
// whole is, or the radius when the start is; returns the fault's message.
QString marked_fault(const Ui::MainWindow &ui, const SpacetimeFault &fault)
{
    if (fault.of_observer) {
        mark_field(ui.lineEdit_r, fault.message);
        return fault.message;
    }
    const auto fields = metric_fields(ui);
    const int mirrored = fault.component >= 0 ? fault.component % 4 * 4 + fault.component / 4 : -1;
    for (int i = 0; i < 16; ++i)
        if (fault.component < 0 || i == fault.component || i == mirrored)
            mark_field(fields[i], fault.message);
    return fault.message;
}

f_vec start_in_fields()
{
    return {{0, poc_sour_poz[1], off_axis(poc_sour_poz[2]), 0}};
}

} // namespace

bool MainWindow::take_number(QLineEdit *field, const char *key, bool single)
{
    return checked_number(field, key, single);
}

// A number in range, and a start from which the observer's path and the rays
// can leave: outside the capture radius, inside the escape radius of the
// metric compiled last.
bool MainWindow::take_start_radius()
{
    if (!take_number(ui->lineEdit_r, "r", true))
        return false;
    mark_field(ui->lineEdit_r, start_radius_problem(ui->lineEdit_r->text().toFloat(),
                                                    capture_radius(the_scene.horizons, precise),
                                                    escape_radius(the_scene.horizons, precise)));
    return field_problem(ui->lineEdit_r).isEmpty();
}

QString MainWindow::no_orbital_edge() const
{
    return tr("no stable circular orbit for this metric to put the disk's inner edge on; type the "
              "radius");
}

// Why Play cannot run now: the metric's problem, the first field of the
// observer's start that Play cannot use (it reads them itself), or a disk
// radius marked when it was confirmed (the flat preset empties the inner one),
// or, with the disk on, an inner edge the metric has no stable orbit for.
QString MainWindow::input_problem()
{
    if (!metric_problem.isEmpty())
        return metric_problem;
    const std::pair<QLineEdit *, const char *> numbers[] = {
        {ui->lineEdit_r, "distance from the centre"},
        {ui->lineEdit_th, "polar distance"},
        {ui->lineEdit_phi, "azimuth"},
        {ui->lineEdit_v, "tangential velocity"},
        {ui->lineEdit_inK, "inner radius of the Kepler disk"},
        {ui->lineEdit_outK, "outer radius of the Kepler disk"}};
    take_start_radius();
    take_number(ui->lineEdit_th, "theta", true);
    take_number(ui->lineEdit_phi, "phi", true);
    take_number(ui->lineEdit_v, "speed", false);
    for (auto [field, name] : numbers) {
        const QString problem = field_problem(field);
        const bool unused = problem == no_orbital_edge() && !ui->checkBox_kepler->isChecked();
        if (!problem.isEmpty() && !unused)
            return tr(name) + QStringLiteral(": ") + problem;
    }
    // The start may have moved since the metric was checked.
    if (const SpacetimeFault fault = spacetime_fault(the_scene.metric, start_in_fields());
        !fault.message.isEmpty())
        return marked_fault(*ui, fault);
    return QString();
}

long pipeline_runs()
{
    return runs;
}

// M, a, Q and Λ, then the sixteen formulas, which are tried out with those
// parameters: each field is marked or cleared, and the first problem is
// returned with the field's name. The parameters stay as they were when
// anything is wrong, so they still belong to the metric compiled last.
QString MainWindow::check_metric_inputs()
{
    QString first;
    auto note = [&first](QLineEdit *field, const QString &name, const QString &problem) {
        mark_field(field, problem);
        if (!problem.isEmpty() && first.isEmpty())
            first = name + QStringLiteral(": ") + problem.section(u'\n', 0, 0);
    };
    double kept[4];
    std::copy(P, P + 4, kept);
    QLineEdit *const parameters[4] = {ui->lineEdit_M, ui->lineEdit_a, ui->lineEdit_Q,
                                      ui->lineEdit_L};
    const char *const names[4] = {"M", "a", "Q", "Λ"};
    const char *const keys[4] = {"M", "a", "Q", "lambda"};
    for (int i = 0; i < 4; ++i) {
        note(parameters[i], QString::fromUtf8(names[i]), value_problem(parameters[i], keys[i]));
        if (field_problem(parameters[i]).isEmpty())
            P[i] = parameters[i]->text().toDouble();
    }
    const auto fields = metric_fields(*ui);
    for (int i = 0; i < 16; ++i) {
        const auto problem = formula_problem_of(fields[i]->text(), P);
        QString told = problem ? describe(*problem) : QString();
        if (problem && !last_compiled[i].isEmpty())
            told += u'\n' + tr("last formula that compiled here: %1").arg(last_compiled[i]);
        note(fields[i], component_name(i), told);
    }
    if (!first.isEmpty())
        std::copy(kept, kept + 4, P);
    return first;
}

void MainWindow::show_characteristics(const QString &outer, const QString &inner,
                                      const QString &right, const QString &left)
{
    characteristics[0] = outer;
    characteristics[1] = inner;
    characteristics[2] = right;
    characteristics[3] = left;
    ui->lineEdit_VneH->setText(outer);
    ui->lineEdit_VniH->setText(inner);
    ui->lineEdit_RSO->setText(right);
    ui->lineEdit_LSO->setText(left);
}

// Setting the output fields emits no editingFinished, so nothing here
// re-enters the pipeline or recomputes the disk tables for the new inner
// radius; the disk box and the radius fields do that when asked. A metric
// that does not compile, or is no spacetime where the observer starts,
// leaves the one compiled last in place, with the characteristics shown as
// unavailable and the faulty fields marked.
void MainWindow::reload()
{
    ++runs;
    metric_problem = check_metric_inputs();
    if (!metric_problem.isEmpty()) {
        const QString none = tr("unavailable");
        show_characteristics(none, none, none, none);
        ui->lineEdit_photon->setText(none);
        return;
    }
    uncheck_edited_preset();
    const Scene kept = the_scene;
    const auto fields = metric_fields(*ui);
    for (int i = 0; i < 16; ++i)
        the_scene.metric_texts[i] = fields[i]->text();
    read_parameters(*ui);
    // Without a stable orbit the disk keeps the inner radius it had, and the
    // field is marked: Play with the disk refuses until a radius is typed.
    const double right = settle_metric(the_scene, poc_sour_poz[1], poc_sour_poz[2], P[4]);
    if (!the_scene.fault.message.isEmpty() && !the_scene.fault.of_observer) {
        // As with a formula that does not compile, the last metric stays.
        metric_problem = marked_fault(*ui, the_scene.fault);
        std::copy(std::begin(kept.metric_texts), std::end(kept.metric_texts),
                  the_scene.metric_texts);
        std::copy(kept.P, kept.P + 5, P);
        the_scene.metric = kept.metric;
        the_scene.horizons = kept.horizons;
        const QString none = tr("unavailable");
        show_characteristics(none, none, none, none);
        ui->lineEdit_photon->setText(none);
        return;
    }
    std::copy(std::begin(the_scene.metric_texts), std::end(the_scene.metric_texts), last_compiled);
    if (mink) {
        // Flat space has neither horizons nor orbits. The search's flat answer
        // is only the capture radius around the centre, which the start check uses.
        show_characteristics(tr("no horizon"), tr("no horizon"), tr("no stable orbit"),
                             tr("no stable orbit"));
        ui->lineEdit_photon->setText(tr("none"));
        ui->lineEdit_inK->setText(QString());
        emit ui->lineEdit_r->editingFinished();
        return;
    }
    const bool horizon = VneH() > 0;
    show_characteristics(horizon ? field_number(VneH()) : tr("no horizon"),
                         horizon ? field_number(VniH()) : tr("no horizon"), orbit_text(1),
                         orbit_text(-1));
    ui->lineEdit_photon->setText(photon_orbit_text());
    if (std::isnan(right)) {
        mark_field(ui->lineEdit_inK, no_orbital_edge());
    } else {
        ui->lineEdit_inK->setText(orbit_number(right));
        mark_field(ui->lineEdit_inK, QString());
        set_field_help(ui->lineEdit_inK, QString());
    }
    // Re-reads r and proposes the velocity, which redraws the observer's path.
    emit ui->lineEdit_r->editingFinished();
}
