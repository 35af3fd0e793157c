#include "expr/presets.h"

#include "expr/christoffel.h"
#include "scene/scene.h"

void compilePreset(Scene &s, int index)
{
    const metric_preset &p = presets[index];
    for (int i = 0; i < 16; ++i)
        s.metric_texts[i] = QString::fromUtf8(p.g[i]);
    compile_metric(s);
    s.P[1] = QString::fromUtf8(p.a).toDouble();
    s.P[2] = QString::fromUtf8(p.Q).toDouble();
    refresh_fused(s);
}
