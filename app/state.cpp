// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/state.h"

Scene the_scene;
RenderControl the_control;
MyImage image[2400];
int frame;

const CompiledExpr (&t)[33] = the_scene.metric.records();

void inicialize()
{
    mink = false;
    poc_sour_poz = f_vec{};
    frame = 0;
    transp = 9;
    sour = false;
}
