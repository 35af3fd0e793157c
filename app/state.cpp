#include "app/state.h"

#include "expr/fused_christoffel.h"

bool sour;
bool simul;
bool beam;
bool kepler;
bool shift;
bool el_ab;
bool mink;
std::atomic<bool> stop{false};

int transp;
int frame;

double P[6];
f_vec poc_sour_poz;
double precise;

cmp_expr t[33];
std::unique_ptr<FusedChristoffel> t_fused;

// All-zero byte codes would run off the record if anything evaluated the
// metric before the first compilation; the empty program evaluates to NaN,
// which every consumer already treats as "no value". TrPfx reads no other
// static object, so the order of static initialisation does not matter.
static const bool metric_starts_empty = [] {
    for (cmp_expr &e : t)
        e = TrPfx(QString());
    return true;
}();

double h1, h2;
double o_spd[512];
double φ_spd[64];

QImage b_gnd;
QImage acr;

void inicialize()
{
    mink = false;
    poc_sour_poz = f_vec{};
    frame = 0;
    transp = 9;
    sour = false;
}
