#include "app/mainwindow.h"

#include "app/observer_fields.h"
#include "app/shared.h"
#include "app/state.h"
#include "physics/geodesic.h"
#include "physics/orbits.h"
#include "ui_mainwindow.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace
{

struct PlanePoint {
    double X, Y;
};

// Projection onto the equatorial plane.
PlanePoint projected(const f_vec &x)
{
    return {x[1] * std::cos(x[3]) * std::sin(x[2]), x[1] * std::sin(x[3]) * std::sin(x[2])};
}

// The largest |X| and |Y| of the path; a non-finite point (a path through a
// singularity) has no place in the picture and does not widen it.
PlanePoint extent(const geo &path)
{
    PlanePoint most{0, 0};
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

QPixmap picture(int W, int H, const geo &path, double r_hor)
{
    const double s = scale(W, H, extent(path), r_hor);
    QPixmap canvas(W, H);
    canvas.fill(Qt::gray);
    QPainter painter(&canvas);
    painter.setBrush(Qt::black);
    const int cx = W / 2, cy = H / 2;
    // A disk much wider than the canvas covers it whole at any larger size.
    const double R = std::fmin(r_hor * s, far / 2);
    painter.drawEllipse(pixel(cx - R), pixel(cy - R), pixel(2 * R), pixel(2 * R));
    painter.setPen(QPen(Qt::red, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    for (int i = 0; i < path.getCount(); ++i) {
        const PlanePoint p = projected(path.getX(i));
        if (std::isfinite(p.X) && std::isfinite(p.Y))
            painter.drawPoint(pixel(cx - s * p.X), pixel(cy - s * p.Y));
    }
    painter.end();
    return canvas.transformed(QTransform::fromScale(1, -1), Qt::FastTransformation);
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
        return;
    }
    const int W = std::max(1, ui->label_geo->width() - 2);
    const int H = std::max(1, ui->label_geo->height() - 2);
    const double r_hor = capture_radius(the_scene.horizons, precise);
    geo path;
    trace_observer(*ui, path);
    ui->label_geopoint->setText(QString::number(path.getCount()));
    ui->label_geo->setPixmap(picture(W, H, path, r_hor));
    ui->label_geo->show();
}
