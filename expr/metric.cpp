// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/metric.h"

#include "expr/christoffel.h"
#include "expr/fused_christoffel.h"
#include "expr/inverse_metric.h"
#include "expr/postfix.h"

#include <algorithm>

// The empty program evaluates to NaN, which every consumer already treats
// as "no value". TrPfx reads no static object, so a metric may be built
// during static initialisation.
Metric::Metric()
{
    for (CompiledExpr &e : t_)
        e = TrPfx(QString());
}

// Every text is translated, the lower triangle too, although the compiled
// metric is built from the diagonal and the upper triangle alone.
Metric Metric::compile(const QString (&texts)[16], const double *params, MetricEvaluation how)
{
    QString g[4][4];
    for (int i = 0; i < 16; ++i)
        g[i / 4][i % 4] = ToPfx(texts[i]);
    CompiledExpr t[33];
    kontr_g(g, t);
    return of_records(t, params, how);
}

Metric Metric::of_records(const CompiledExpr (&records)[33], const double *params,
                          MetricEvaluation how)
{
    Metric m;
    std::copy_n(records, 33, m.t_);
    std::copy_n(params, 4, m.params_);
    m.build_fused(how);
    return m;
}

Metric Metric::with_parameters(const double *params) const
{
    Metric m = *this;
    std::copy_n(params, 4, m.params_);
    if (fused_)
        m.frame_ = std::make_shared<const std::vector<double>>(fused_->frame_block(params));
    return m;
}

void Metric::build_fused(MetricEvaluation how)
{
    if (how == MetricEvaluation::byte_code)
        return;
    fused_ = FusedChristoffel::build(
        t_, params_, [this](f_vec &x) { return christoffel_exact(t_, params_, x); },
        how == MetricEvaluation::native ? FusedBackendKind::native : FusedBackendKind::interpreter,
        &note_);
    frame_.reset();
    if (fused_)
        frame_ = std::make_shared<const std::vector<double>>(fused_->frame_block(params_));
}
