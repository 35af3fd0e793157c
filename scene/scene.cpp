#include "scene/scene.h"

void compile_metric(Scene &s)
{
    s.metric = Metric::compile(s.metric_texts, s.P);
}
