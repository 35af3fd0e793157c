#include "app/state.h"

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
