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
    return Christoffel(the_scene.metric, x);
}

void kontr_g(QString (*g)[4])
{
    CompiledExpr compiled[33];
    kontr_g(g, compiled);
    the_scene.metric = Metric::of_records(compiled, P);
}

double dot_p(double const (&a)[4], double const (&b)[4], f_vec x)
{
    return dot_p(the_scene.metric, a, b, x);
}

void norm(double (&a)[4], f_vec x)
{
    norm(the_scene.metric, a, x);
}

void ortonormalize(double (&E)[4][4], f_vec x)
{
    ortonormalize(the_scene.metric, E, x);
}

void tetrada(double (&E)[4][4], f_vec x)
{
    tetrada(the_scene.metric, E, x);
}

void lnrf(double (&E)[4][4], f_vec x)
{
    lnrf(the_scene.metric, E, x);
}

f_vec t_tet(f_vec v, f_vec x)
{
    return t_tet(the_scene.metric, v, x);
}

f_vec f_tet(f_vec v, f_vec x)
{
    return f_tet(the_scene.metric, v, x);
}

f_vec f_tet(f_vec u, f_vec v, f_vec x)
{
    return f_tet(the_scene.metric, u, v, x);
}

f_vec aberace(double α, double β, f_vec u, f_vec x)
{
    return aberace(the_scene.metric, α, β, u, x);
}

double rshft(f_vec k_e, f_vec u_e, f_vec x_e, f_vec k_o, f_vec u_o, f_vec x_o)
{
    return rshft(the_scene.metric, k_e, u_e, x_e, k_o, u_o, x_o);
}

double beamg(f_vec k_e, f_vec u_e, f_vec x_e, f_vec k_o, f_vec u_o, f_vec x_o)
{
    return beamg(the_scene.metric, k_e, u_e, x_e, k_o, u_o, x_o);
}

void geodetika(f_vec &x, f_vec &u, end &e, double p, geo *g)
{
    geodetika(the_scene.metric, x, u, e, p, g, {accurate, &stop});
}

void VnH()
{
    the_scene.horizons = find_horizons(the_scene.metric, mink, poc_sour_poz[1]);
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
    return OrbSpeed(the_scene.metric, x, n);
}

void O_Speed(double r_in, double r_out)
{
    the_scene.disk = disk_tables(the_scene.metric, r_in, r_out);
}

double lim_stab_orb(int n)
{
    return lim_stab_orb(the_scene.metric, the_scene.horizons, n);
}

unsigned GetColor(double α, double β, f_vec x_obs, f_vec u_obs)
{
    PreparedFrame unprepared;
    unprepared.cancel = &stop;
    return GetColor(the_scene, unprepared, α, β, x_obs, u_obs);
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
    return with_caption(picture, frame, the_scene.metric, sour);
}

template QImage addTxtImg(QImage, MyImage &);
template QPixmap addTxtImg(QPixmap, MyImage &);
