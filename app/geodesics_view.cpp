// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"

#include "app/observer_fields.h"
#include "app/plot_navigation.h"
#include "app/potential_plot.h"
#include "app/shared.h"
#include "app/state.h"
#include "physics/geodesic.h"
#include "physics/orbits.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

const QColor horizon_colour(0, 255, 255), photon_colour(255, 255, 0), stable_colour(0, 200, 0);

struct PlotView {
    double zoom;
    QPointF pan;
};

QString plot_help(double tick_step)
{
    return QCoreApplication::translate(
               "MainWindow",
               "The observer's path seen from above the equator, distances from the hole in "
               "units of %1, ticks every %2.\nCircles: outer horizon (cyan), circular photon "
               "orbits (yellow), "
               "innermost stable orbits (green), both directions.\nWheel: zoom; drag: move; "
               "double click: fit.")
        .arg(the_scene.P[0] > 0 ? QStringLiteral("M") : QStringLiteral("the coordinates"))
        .arg(tick_step);
}

struct PlanePoint {
    double X, Y;
};

// Projection onto the equatorial plane.
PlanePoint projected(const f_vec &x)
{
    return {x[1] * std::cos(x[3]) * std::sin(x[2]), x[1] * std::sin(x[3]) * std::sin(x[2])};
}

// The circles the plot draws about the hole, in coordinate radii; none where
// the metric has none.
struct Circles {
    double horizon = 0; // the outer one
    std::vector<double> photon, stable;
};

Circles circles_of_scene()
{
    Circles c;
    c.horizon = the_scene.horizons.event();
    for (int n : {1, -1}) {
        for (double r : photon_orbits(the_scene.metric, the_scene.horizons, n))
            c.photon.push_back(r);
        if (const double r = lim_stab_orb(the_scene.metric, the_scene.horizons, n);
            std::isfinite(r))
            c.stable.push_back(r);
    }
    return c;
}

// The largest |X| and |Y| of the path, and never less than a little beyond
// the hole, so that both fit; a non-finite point (a path through a
// singularity) has no place in the picture and does not widen it.
PlanePoint extent(const geo &path, double hole)
{
    PlanePoint most{1.2 * hole, 1.2 * hole};
    for (int i = 0; i < path.getCount(); ++i) {
        const PlanePoint p = projected(path.getX(i));
        most.X = std::fmax(most.X, std::fabs(p.X));
        most.Y = std::fmax(most.Y, std::fabs(p.Y));
    }
    return most;
}

// One scale for both axes, so that the path just reaches a side or the top
// and bottom edges. A path along the axis has no extent in the plane; the
// picture then shows a horizon disk half as wide as the smaller side.
double scale(int W, int H, PlanePoint most, double r_hor)
{
    const double s = 0.5 * std::fmin(W / most.X, H / most.Y);
    if (std::isfinite(s))
        return s;
    return r_hor > 0 ? 0.25 * std::min(W, H) / r_hor : 1.0;
}

// Far beyond any canvas: every coordinate past it draws the same, and the
// clamp keeps the conversion to int defined.
constexpr double far = 1 << 24;

// The axes count in units of M; without a mass, in the coordinates' own.
double axis_unit()
{
    return the_scene.P[0] > 0 ? the_scene.P[0] : 1.0;
}

int pixel(double v)
{
    return static_cast<int>(std::clamp(v, -far, far));
}

// The observer's own path, from the starting values as the fields show them.
void trace_observer(const Ui::MainWindow &ui, geo &path)
{
    end e = path_end(the_scene.horizons, precise, ui.spinBox_round->value());
    const Observer start = observer_in_fields(ui);
    f_vec x = start.x, u = start.v;
    geodetika(the_scene.metric, x, u, e, 0.25 * precise, &path, {the_scene.accurate, nullptr});
}

// 1, 2 or 5 times a power of ten: the tick spacing nearest above `at_least`.
double round_step(double at_least)
{
    const double decade = std::pow(10.0, std::floor(std::log10(at_least)));
    for (double m : {1.0, 2.0, 5.0})
        if (m * decade >= at_least)
            return m * decade;
    return 10 * decade;
}

void draw_circle(QPainter &painter, QPointF centre, double radius, QColor colour,
                 Qt::PenStyle style)
{
    if (!(radius > 0))
        return;
    const double R = std::fmin(radius, far / 2);
    painter.setPen(QPen(colour, 1.0, style));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(centre.x() - R, centre.y() - R, 2 * R, 2 * R).toRect());
}

// Ticks along both axes every `step` of the axes' unit, numbered by their
// distance from the hole; drawn on the upright picture so that the numbers read.
void draw_ticks(QPainter &painter, QPointF centre, double pixels_per_step, double step, QSize size)
{
    painter.setPen(Qt::white);
    const int reach = int(std::max(size.width(), size.height()) / pixels_per_step) + 1;
    const int shift_x = int(std::round(centre.x() / pixels_per_step));
    const int shift_y = int(std::round(centre.y() / pixels_per_step));
    for (int k = -reach - std::abs(shift_x); k <= reach + std::abs(shift_x); ++k) {
        const int x = pixel(centre.x() + k * pixels_per_step), y = pixel(centre.y());
        if (k == 0 || x < 0 || x >= size.width())
            continue;
        painter.drawLine(x, y - 3, x, y + 3);
        painter.drawText(x + 2, y - 4, QString::number(std::abs(k) * step));
    }
    for (int k = -reach - std::abs(shift_y); k <= reach + std::abs(shift_y); ++k) {
        const int x = pixel(centre.x()), y = pixel(centre.y() + k * pixels_per_step);
        if (k == 0 || y < 0 || y >= size.height())
            continue;
        painter.drawLine(x - 3, y, x + 3, y);
        painter.drawText(x + 5, y - 2, QString::number(std::abs(k) * step));
    }
}

// `tick_step` is set to the ticks' spacing in the axes' unit.
QPixmap picture(int W, int H, const geo &path, double r_hor, Circles const &circles,
                PlotView const &view, double &tick_step)
{
    const double s =
        view.zoom * scale(W, H, extent(path, std::fmax(r_hor, circles.horizon)), r_hor);
    QPixmap canvas(W, H);
    canvas.fill(Qt::gray);
    QPainter painter(&canvas);
    // Drawn upside down, then mirrored: the pan's vertical part turns with it.
    const QPointF c(W / 2 + view.pan.x(), H / 2 - view.pan.y());
    painter.setPen(Qt::darkGray);
    painter.drawLine(0, pixel(c.y()), W, pixel(c.y()));
    painter.drawLine(pixel(c.x()), 0, pixel(c.x()), H);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    const double cx = c.x(), cy = c.y();
    // A disk much wider than the canvas covers it whole at any larger size.
    const double R = std::fmin(r_hor * s, far / 2);
    painter.drawEllipse(pixel(cx - R), pixel(cy - R), pixel(2 * R), pixel(2 * R));
    draw_circle(painter, c, circles.horizon * s, horizon_colour, Qt::SolidLine);
    for (double r : circles.photon)
        draw_circle(painter, c, r * s, photon_colour, Qt::DashLine);
    for (double r : circles.stable)
        draw_circle(painter, c, r * s, stable_colour, Qt::DashLine);
    painter.end();
    QPixmap upright = canvas.transformed(QTransform::fromScale(1, -1), Qt::FastTransformation);
    QPainter top(&upright);
    const double unit = axis_unit();
    const double step = tick_step = round_step(70 / (s * unit));
    draw_ticks(top, QPointF(c.x(), H - 1 - c.y()), step * unit * s, step, upright.size());
    // The path over everything, at the mirrored places of the rest.
    top.setPen(QPen(Qt::red, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    for (int i = 0; i < path.getCount(); ++i) {
        const PlanePoint p = projected(path.getX(i));
        if (std::isfinite(p.X) && std::isfinite(p.Y))
            top.drawPoint(pixel(cx - s * p.X), H - 1 - pixel(cy - s * p.Y));
    }
    return upright;
}

} // namespace

// Blocks the window for the whole trace; the step budget of the integration
// bounds a path that would never end (an observer at rest in flat space).
void MainWindow::draw_geodetics()
{
    const QString problem = input_problem();
    if (!problem.isEmpty()) {
        ui->label_geopoint->clear();
        ui->label_geo->setText(problem);
        findChild<QLabel *>(QStringLiteral("label_potential"))->clear();
        return;
    }
    const int W = std::max(1, ui->label_geo->width() - 2);
    const int H = std::max(1, ui->label_geo->height() - 2);
    const double r_hor = capture_radius(the_scene.horizons, precise);
    geo path;
    trace_observer(*ui, path);
    ui->label_geopoint->setText(QString::number(path.getCount()));
    double tick_step = 0;
    ui->label_geo->setPixmap(picture(W, H, path, r_hor, circles_of_scene(),
                                     {plot_navigation->zoom(), plot_navigation->pan()}, tick_step));
    ui->label_geo->setToolTip(plot_help(tick_step));
    draw_potential(*findChild<QLabel *>(QStringLiteral("label_potential")),
                   observer_in_fields(*ui));
    ui->label_geo->show();
}
