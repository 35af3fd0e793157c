// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scene/observer.h"

class QLabel;
class QWidget;

namespace Ui
{
class MainWindow;
}

// Beside the geodesics plot: the effective potential on the equator of a
// body with the observer's angular momentum, its energy level marked, and of
// light; where the metric has no such potential, a sentence saying why.
QLabel *add_potential_plot(Ui::MainWindow &ui);
void draw_potential(QLabel &plot, Observer const &start);
