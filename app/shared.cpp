// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/shared.h"

#include "app/state.h"
#include "expr/christoffel.h"
#include "expr/inverse_metric.h"
#include "physics/frames.h"
#include "physics/geodesic.h"
#include "physics/optics.h"
#include "physics/orbits.h"
#include "physics/ray_colour.h"
#include "render/colour.h"
#include "render/overlay.h"

#include <QImage>
#include <QPixmap>

#include <algorithm>

namespace
{

// P is read when a formula is evaluated, and a caller may write it after
// kontr_g compiled the metric: the scene's metric then evaluates with the
// values P holds now. P as compiled, the usual case, costs four comparisons
// and no copy.
template <class Use> decltype(auto) with_metric(Use &&use)
{
    Metric const &compiled = the_scene.metric;
    if (std::equal(P, P + 4, compiled.params()))
        return use(compiled);
    return use(compiled.with_parameters(P));
}

} // namespace

double CntPfx(const unsigned char (&code)[512], const f_vec &x)
{
    return CntPfx(code, x, P);
}

double der(const unsigned char (&code)[512], const char &k, f_vec x)
{
    return der(code, k, x, P);
}

tensor_3 Christoffel(f_vec &x)
{
    return with_metric([&x](Metric const &m) { return Christoffel(m, x); });
}

void kontr_g(QString (*g)[4])
{
    CompiledExpr compiled[33];
    kontr_g(g, compiled);
    the_scene.metric = Metric::of_records(compiled, P);
}

double dot_p(double const (&a)[4], double const (&b)[4], f_vec x)
{
    return with_metric([&](Metric const &m) { return dot_p(m, a, b, x); });
}

void norm(double (&a)[4], f_vec x)
{
    with_metric([&](Metric const &m) { norm(m, a, x); });
}

void ortonormalize(double (&E)[4][4], f_vec x)
{
    with_metric([&](Metric const &m) { ortonormalize(m, E, x); });
}

void tetrada(double (&E)[4][4], f_vec x)
{
    with_metric([&](Metric const &m) { tetrada(m, E, x); });
}

void lnrf(double (&E)[4][4], f_vec x)
{
    with_metric([&](Metric const &m) { lnrf(m, E, x); });
}

f_vec t_tet(f_vec v, f_vec x)
{
    return with_metric([&](Metric const &m) { return t_tet(m, v, x); });
}

f_vec f_tet(f_vec v, f_vec x)
{
    return with_metric([&](Metric const &m) { return f_tet(m, v, x); });
}

f_vec f_tet(f_vec u, f_vec v, f_vec x)
{
    return with_metric([&](Metric const &m) { return f_tet(m, u, v, x); });
}

f_vec aberace(double α, double β, f_vec u, f_vec x)
{
    return with_metric([&](Metric const &m) { return aberace(m, α, β, u, x); });
}

double rshft(f_vec k_e, f_vec u_e, f_vec x_e, f_vec k_o, f_vec u_o, f_vec x_o)
{
    return with_metric([&](Metric const &m) { return rshft(m, k_e, u_e, x_e, k_o, u_o, x_o); });
}

double beamg(f_vec k_e, f_vec u_e, f_vec x_e, f_vec k_o, f_vec u_o, f_vec x_o)
{
    return with_metric([&](Metric const &m) { return beamg(m, k_e, u_e, x_e, k_o, u_o, x_o); });
}

void geodetika(f_vec &x, f_vec &u, end &e, double p, geo *g)
{
    with_metric([&](Metric const &m) { geodetika(m, x, u, e, p, g, {accurate, &stop}); });
}

void VnH()
{
    the_scene.horizons =
        with_metric([](Metric const &m) { return find_horizons(m, mink, poc_sour_poz[1]); });
}

double VneH()
{
    return the_scene.horizons.event();
}

double VniH()
{
    return the_scene.horizons.cauchy();
}

double OrbSpeed(f_vec x, int n)
{
    return with_metric([&](Metric const &m) { return OrbSpeed(m, x, n); });
}

void O_Speed(double r_in, double r_out)
{
    the_scene.disk = with_metric([&](Metric const &m) { return disk_tables(m, r_in, r_out); });
}

double lim_stab_orb(int n)
{
    return with_metric([n](Metric const &m) { return lim_stab_orb(m, the_scene.horizons, n); });
}

unsigned GetColor(double α, double β, f_vec x_obs, f_vec u_obs)
{
    PreparedFrame unprepared;
    unprepared.cancel = &stop;
    return with_metric([&](Metric const &m) {
        if (&m == &the_scene.metric)
            return GetColor(the_scene, unprepared, α, β, x_obs, u_obs);
        RayScene now = the_scene;
        now.metric = m;
        return GetColor(now, unprepared, α, β, x_obs, u_obs);
    });
}

unsigned int sh_col(unsigned int c, double x)
{
    return sh_col(c, x, simul);
}

unsigned int av_col(unsigned int c1, unsigned int c2)
{
    return av_col(c1, c2, transp);
}

template <class T> T addTxtImg(T picture, MyImage &frame)
{
    return with_metric([&](Metric const &m) { return with_caption(picture, frame, m, sour); });
}

template QImage addTxtImg(QImage, MyImage &);
template QPixmap addTxtImg(QPixmap, MyImage &);
