#include "expr/presets.h"

#include "app/state.h"
#include "expr/christoffel.h"
#include "expr/inverse_metric.h"
#include "expr/postfix.h"

void compileMetricTexts(const QString (&texts)[16])
{
    QString g[4][4];
    for (int i = 0; i < 16; ++i)
        g[i / 4][i % 4] = ToPfx(texts[i]);
    kontr_g(g);
}

void compilePreset(int index)
{
    const metric_preset &p = presets[index];
    QString texts[16];
    for (int i = 0; i < 16; ++i)
        texts[i] = QString::fromUtf8(p.g[i]);
    compileMetricTexts(texts);
    P[1] = QString::fromUtf8(p.a).toDouble();
    P[2] = QString::fromUtf8(p.Q).toDouble();
    refresh_fused();
}
