#include "physics/ray_scene.h"

void take_parameters(RayScene &s)
{
    s.metric = s.metric.with_parameters(s.P);
}

void ensure_disk_tables(RayScene &s)
{
    if (!disk_tables_current(s.disk, s.metric, s.P[4], s.P[5]) && s.P[5] > s.P[4])
        s.disk = disk_tables(s.metric, s.P[4], s.P[5]);
}
