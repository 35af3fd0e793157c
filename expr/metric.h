// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "expr/compiled.h"

#include <QString>

#include <memory>
#include <vector>

class FusedChristoffel;

// How the Christoffel symbols are computed: by generated machine code, by the
// fused program's interpreter (both with exact derivatives, to the same
// bits), or by the byte code alone (difference quotients). The first that can
// be made is taken, so `native` falls back to the others where it cannot be
// built.
enum class MetricEvaluation { native, interpreter, byte_code };

// A compiled metric with its parameters, as one value: the 33 byte-code
// records (g_μν at 4μ+ν, the adjugate of g at 16 + 4μ+ν, the determinant at
// 32), the fused Christoffel program built from them and its parameter
// block, and M, a, Q, Λ. Nothing of it changes once built, so copies are
// independent values that render threads may read at the same time; other
// parameters make a new Metric that shares the records' program.
class Metric
{
  public:
    // No metric yet: every record evaluates to NaN.
    Metric();

    // The one way from the sixteen infix texts (row-major, text 4μ+ν) and
    // M, a, Q, Λ to a metric.
    [[nodiscard]] static Metric compile(const QString (&texts)[16], const double *params,
                                        MetricEvaluation how = MetricEvaluation::native);

    // Records compiled already (by kontr_g) with M, a, Q, Λ.
    [[nodiscard]] static Metric of_records(const CompiledExpr (&records)[33], const double *params,
                                           MetricEvaluation how = MetricEvaluation::native);

    // The same records and program with other values of M, a, Q, Λ.
    [[nodiscard]] Metric with_parameters(const double *params) const;

    const CompiledExpr (&records() const)[33] { return t_; }
    // M, a, Q, Λ: what CntPfx reads as its parameters.
    const double *params() const { return params_; }

    // Null when the byte code alone evaluates the symbols.
    const FusedChristoffel *fused() const { return fused_.get(); }
    // The fused program's values of the parameters alone; null without one.
    const double *fused_frame() const { return frame_ ? frame_->data() : nullptr; }
    // Why the fused program gave way to a slower path; empty when it did not.
    const QString &fused_note() const { return note_; }

    // g_μν at x by the byte code.
    double g(int μ, int ν, const f_vec &x) const { return CntPfx(t_[4 * μ + ν].code, x, params_); }

  private:
    void build_fused(MetricEvaluation how);

    CompiledExpr t_[33];
    double params_[4] = {};
    std::shared_ptr<const FusedChristoffel> fused_;
    std::shared_ptr<const std::vector<double>> frame_;
    QString note_;
};
