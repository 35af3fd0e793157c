// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/state.h"
#include "scene/observer.h"
#include "ui_mainwindow.h"

// The observer as the r, θ, φ and v fields show it, each read in single
// precision like every other reader of those fields.
inline Observer observer_in_fields(Ui::MainWindow const &ui)
{
    return starting_observer(the_scene.metric, ui.lineEdit_r->text().toFloat(),
                             ui.lineEdit_th->text().toFloat(), ui.lineEdit_v->text().toFloat(),
                             ui.lineEdit_phi->text().toFloat());
}
