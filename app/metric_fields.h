// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui_mainwindow.h"

#include <array>

// The sixteen metric fields in the editor's order tt, tr, te, tf, rt, …, ff:
// row-major by coordinate (t, r, θ, φ), so field 4μ+ν holds component μν, the
// order of the preset texts and of the compiled metric.
inline std::array<QLineEdit *, 16> metric_fields(const Ui::MainWindow &ui)
{
    return {ui.tt, ui.tr, ui.te, ui.tf, ui.rt, ui.rr, ui.re, ui.rf,
            ui.et, ui.er, ui.ee, ui.ef, ui.ft, ui.fr, ui.fe, ui.ff};
}

// "g_tφ" for field 3: how messages name a component.
inline QString component_name(int i)
{
    const QString letters = QStringLiteral("trθφ");
    return QStringLiteral("g_") + letters[i / 4] + letters[i % 4];
}
