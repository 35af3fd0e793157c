// The entry points that work on the shared scene: each hands the_scene (or
// the frame it last prepared) to the form that takes them explicitly.

#include "expr/christoffel.h"
#include "expr/compiled.h"
#include "expr/inverse_metric.h"
#include "expr/presets.h"
#include "physics/frames.h"
#include "physics/geodesic.h"
#include "physics/optics.h"
#include "physics/orbits.h"
#include "physics/ray_colour.h"
#include "render/colour.h"
#include "render/frame_engine.h"
#include "render/overlay.h"
#include "scene/state.h"

#include <algorithm>
#include <iterator>

namespace
{
PreparedFrame shared_frame;
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
    return Christoffel(the_scene, x);
}

tensor_3 christoffel_bytecode(f_vec &x)
{
    return christoffel_bytecode(the_scene, x);
}

f_vec geodesic_step(f_vec &x, f_vec u, double h)
{
    return geodesic_step(the_scene, x, u, h);
}

void compile_fused()
{
    compile_fused(the_scene);
}

void refresh_fused()
{
    refresh_fused(the_scene);
}

void kontr_g(QString (*g)[4])
{
    kontr_g(g, t);
    compile_fused(the_scene);
}

void compileMetricTexts(const QString (&texts)[16])
{
    std::copy(std::begin(texts), std::end(texts), the_scene.metric_texts);
    compile_metric(the_scene);
}

void compilePreset(int index)
{
    compilePreset(the_scene, index);
}

double dot_p(double const (&a)[4], double const (&b)[4], f_vec x)
{
    return dot_p(the_scene, a, b, x);
}

void norm(double (&a)[4], f_vec x)
{
    norm(the_scene, a, x);
}

void ortonormalize(double (&E)[4][4], f_vec x)
{
    ortonormalize(the_scene, E, x);
}

void tetrada(double (&E)[4][4], f_vec x)
{
    tetrada(the_scene, E, x);
}

void lnrf(double (&E)[4][4], f_vec x)
{
    lnrf(the_scene, E, x);
}

f_vec t_tet(f_vec v, f_vec x)
{
    return t_tet(the_scene, v, x);
}

f_vec f_tet(f_vec v, f_vec x)
{
    return f_tet(the_scene, v, x);
}

f_vec f_tet(f_vec u, f_vec v, f_vec x)
{
    return f_tet(the_scene, u, v, x);
}

f_vec aberace(double α, double β, f_vec u, f_vec x)
{
    return aberace(the_scene, α, β, u, x);
}

double rshft(f_vec k_e, f_vec u_e, f_vec x_e, f_vec k_o, f_vec u_o, f_vec x_o)
{
    return rshft(the_scene, k_e, u_e, x_e, k_o, u_o, x_o);
}

double beamg(f_vec k_e, f_vec u_e, f_vec x_e, f_vec k_o, f_vec u_o, f_vec x_o)
{
    return beamg(the_scene, k_e, u_e, x_e, k_o, u_o, x_o);
}

void geodetika(f_vec &x, f_vec &u, end &e, double p, geo *g)
{
    geodetika(the_scene, x, u, e, p, g);
}

void geodetika_unstoppable(f_vec &x, f_vec &u, end &e, double p, geo *g)
{
    geodetika_unstoppable(the_scene, x, u, e, p, g);
}

void VnH()
{
    VnH(the_scene);
}

double VneH()
{
    return VneH(the_scene);
}

double VniH()
{
    return VniH(the_scene);
}

double OrbSpeed(f_vec x, int n)
{
    return OrbSpeed(the_scene, x, n);
}

void O_Speed(double r_in, double r_out)
{
    O_Speed(the_scene, r_in, r_out);
}

double lim_stab_orb(int n)
{
    return lim_stab_orb(the_scene, n);
}

bool disk_tables_current()
{
    return disk_tables_current(the_scene);
}

void ensure_disk_tables()
{
    ensure_disk_tables(the_scene);
}

aim_offset aim_correction(f_vec x_obs, f_vec u_obs)
{
    return aim_correction(the_scene, x_obs, u_obs);
}

void prepare_frame(f_vec x_obs, f_vec u_obs)
{
    shared_frame = prepare_frame(the_scene, x_obs, u_obs);
}

unsigned GetColor(double α, double β, f_vec x_obs, f_vec u_obs)
{
    return GetColor(the_scene, shared_frame, α, β, x_obs, u_obs);
}

unsigned int sh_col(unsigned int c, double x)
{
    return sh_col(c, x, simul);
}

unsigned int av_col(unsigned int c1, unsigned int c2)
{
    return av_col(c1, c2, transp);
}

overlay_caption caption_of(f_vec x, f_vec v)
{
    return caption_of(the_scene, x, v);
}

template <class T> T addTxtImg(T picture, MyImage &frame)
{
    return addTxtImg(picture, frame, the_scene);
}

template QImage addTxtImg(QImage, MyImage &);
template QPixmap addTxtImg(QPixmap, MyImage &);

void set_render_switches(RenderSwitches const &switches)
{
    set_render_switches(the_scene, switches);
}
