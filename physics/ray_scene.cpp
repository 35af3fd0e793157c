// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/ray_scene.h"

void ensure_disk_tables(RayScene &s)
{
    if (!disk_tables_current(s.disk, s.metric, s.P[4], s.P[5]) && s.P[5] > s.P[4])
        s.disk = disk_tables(s.metric, s.P[4], s.P[5]);
}
