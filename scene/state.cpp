#include "scene/state.h"

Scene the_scene;

std::atomic<bool> stop{false};
int frame;

void inicialize()
{
    mink = false;
    poc_sour_poz = f_vec{};
    frame = 0;
    transp = 9;
    sour = false;
}
