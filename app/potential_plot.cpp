// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/potential_plot.h"

#include "app/state.h"
#include "physics/effective_potential.h"
#include "physics/orbits.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

QString tr(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

bool has_circular_orbits()
{
    for (int n : {1, -1})
        if (!photon_orbits(the_scene.metric, the_scene.horizons, n).empty() ||
            std::isfinite(lim_stab_orb(the_scene.metric, the_scene.horizons, n)))
            return true;
    return false;
}

struct Curve {
    std::vector<QPointF> points; // (r, V) where V is defined
};

Curve sampled(double r_from, double r_to, double L, double kappa)
{
    Curve c;
    constexpr int samples = 400;
    for (int i = 0; i <= samples; ++i) {
        const double r = r_from + (r_to - r_from) * i / samples;
        const double V = effective_potential(the_scene.metric, r, L, kappa);
        if (!std::isfinite(V))
            continue;
        c.points.push_back({r, V});
    }
    return c;
}

// One panel: the curve over [r_from, r_to], a dashed level when given, and
// the observer's radius; the vertical range is the curve's from `focus` out
// and the level's; nearer the hole the curve may run off the panel.
void draw_panel(QPainter &p, QRect area, Curve const &c, double r_from, double r_to, double level,
                double r_mark, double focus, QString const &title)
{
    p.fillRect(area, QColor(40, 40, 40));
    p.setClipRect(area);
    double low = INFINITY, high = -INFINITY;
    for (QPointF const &point : c.points)
        if (point.x() >= focus) {
            low = std::min(low, point.y());
            high = std::max(high, point.y());
        }
    if (std::isfinite(level)) {
        low = std::min(low, level);
        high = std::max(high, level);
    }
    p.setPen(Qt::white);
    p.drawText(area.adjusted(4, 2, -4, -2), Qt::AlignTop | Qt::AlignLeft, title);
    if (!std::isfinite(low) || !std::isfinite(high)) {
        p.setClipping(false);
        return;
    }
    const double margin = 0.1 * std::max(high - low, 1e-6);
    low -= margin;
    high += margin;
    const auto at = [&](double r, double V) {
        return QPointF(area.left() + area.width() * (r - r_from) / (r_to - r_from),
                       area.bottom() - area.height() * (V - low) / (high - low));
    };
    p.setPen(Qt::gray);
    p.drawLine(at(r_mark, low), at(r_mark, high));
    if (std::isfinite(level)) {
        p.setPen(QPen(QColor(255, 160, 0), 1, Qt::DashLine));
        p.drawLine(at(r_from, level), at(r_to, level));
    }
    QPainterPath path;
    for (std::size_t i = 0; i < c.points.size(); ++i)
        i == 0 ? path.moveTo(at(c.points[i].x(), c.points[i].y()))
               : path.lineTo(at(c.points[i].x(), c.points[i].y()));
    p.setPen(QPen(Qt::white, 1.5));
    p.drawPath(path);
    p.setPen(Qt::white);
    p.drawText(area.adjusted(4, 2, -4, -2), Qt::AlignBottom | Qt::AlignRight,
               tr("r from %1 to %2").arg(r_from, 0, 'g', 3).arg(r_to, 0, 'g', 3));
    p.setClipping(false);
}

} // namespace

QLabel *add_potential_plot(Ui::MainWindow &ui)
{
    auto *plot = new QLabel(ui.tab_geodetics);
    plot->setObjectName(QStringLiteral("label_potential"));
    plot->setFixedWidth(260);
    plot->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
    plot->setFrameShape(QFrame::StyledPanel);
    plot->setAlignment(Qt::AlignCenter);
    plot->setWordWrap(true);
    ui.layout_2->addWidget(plot, 0, 1);
    return plot;
}

void draw_potential(QLabel &plot, Observer const &start)
{
    const Metric &m = the_scene.metric;
    if (!stationary_and_axisymmetric(m)) {
        plot.setText(tr("No effective potential: the metric changes with t or φ, so energy and "
                        "angular momentum are not conserved."));
        return;
    }
    if (!has_circular_orbits()) {
        plot.setText(tr("No effective potential to show: this metric has no circular orbits."));
        return;
    }
    const OrbitConstants c = orbit_constants(m, start.x, start.v);
    const double r_obs = start.x[1];
    const double r_from = std::max(1.001 * the_scene.horizons.event(), 0.05 * r_obs);
    const double r_to = std::max(2 * r_obs, 10 * std::max(the_scene.P[0], 1.0));
    const int W = std::max(plot.width() - 2, 40), H = std::max(plot.height() - 2, 60);
    QPixmap canvas(W, H);
    canvas.fill(Qt::black);
    QPainter p(&canvas);
    const Curve body = sampled(r_from, r_to, c.L, 1);
    const Curve light = sampled(r_from, r_to, c.L < 0 ? -1 : 1, 0);
    // The body's well and barrier lie about the observer; the steep fall
    // towards the horizon would flatten them.
    draw_panel(p, QRect(0, 0, W, H / 2 - 2), body, r_from, r_to, c.E, r_obs, r_obs / 2,
               tr("Observer: potential at L = %1\nenergy E = %2 (dashed)")
                   .arg(c.L, 0, 'f', 2)
                   .arg(c.E, 0, 'f', 4));
    draw_panel(p, QRect(0, H / 2 + 2, W, H - H / 2 - 2), light, r_from, r_to, NAN, r_obs, r_from,
               tr("Light: potential per unit L"));
    p.end();
    plot.setPixmap(canvas);
    plot.setToolTip(tr("Effective potential on the equator against r; the observer's energy E "
                       "(dashed), its radius (grey line).\nA body moves where E is above its "
                       "curve; light's peak is the photon orbit."));
}
