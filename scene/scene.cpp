#include "scene/scene.h"

void compile_metric(Scene &s)
{
    s.metric = Metric::compile(s.metric_texts, s.P);
}

void settle_metric(Scene &s, double observer_r)
{
    compile_metric(s);
    s.horizons = find_horizons(s.metric, s.mink, observer_r);
    s.P[4] = s.mink ? 1.0 : lim_stab_orb(s.metric, s.horizons, 1);
}
