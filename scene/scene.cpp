#include "scene/scene.h"

#include "expr/christoffel.h"
#include "expr/inverse_metric.h"
#include "expr/postfix.h"

// All-zero byte codes would run off the record if anything evaluated the
// metric before the first compilation; the empty program evaluates to NaN,
// which every consumer already treats as "no value". TrPfx reads no static
// object, so a scene may be built during static initialisation.
Scene::Scene()
{
    for (cmp_expr &e : t)
        e = TrPfx(QString());
}

// Every text is translated, the lower triangle too, although the compiled
// metric is built from the diagonal and the upper triangle alone.
void compile_metric(Scene &s)
{
    QString g[4][4];
    for (int i = 0; i < 16; ++i)
        g[i / 4][i % 4] = ToPfx(s.metric_texts[i]);
    kontr_g(g, s.t);
    compile_fused(s);
}
