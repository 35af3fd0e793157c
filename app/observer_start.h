#pragma once

#include "physics/f_vec.h"
#include "physics/frames.h"
#include "ui_mainwindow.h"

#include <numbers>

// The observer's starting point (t = φ = 0) as the fields give it, in single
// precision like every reader of those fields; an observer put on the axis
// starts just off it, where its frame exists.
inline f_vec observer_start(const Ui::MainWindow &ui)
{
    const double r = ui.lineEdit_r->text().toFloat();
    const double θ = double(ui.lineEdit_th->text().toFloat()) * std::numbers::pi / 180;
    return {{0, r, off_axis(θ), 0}};
}
