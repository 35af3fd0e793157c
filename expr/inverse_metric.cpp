// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/inverse_metric.h"

#include "expr/compiled.h"
#include "expr/simplify.h"

#include <QStringList>

#include <algorithm>

namespace
{

// Cofactor expansions of the symmetric 4×4 metric in postfix, one token per
// word: a two-letter word names the component g[row][column] by the letters
// t, r, e (θ), f (φ); every other word is copied as it stands. Negations are
// written as subtractions from "0": a bare unary minus would stop being one
// as soon as reordering or factoring puts a value beneath it.
constexpr const char *adjugate_rows[4][4] = {
    {"ee ff * ef ef * - rr * rf rf * ee * - 2 re rf * * ef * + re re * ff * -",
     "0 ee ff * ef ef * - - tr * re ff * rf ef * - te * + re ef * rf ee * - tf * -",
     "re ff * rf ef * - tr * rr ff * rf rf * - te * - rr ef * re rf * - tf * +",
     "0 re ef * rf ee * - - tr * rr ef * re rf * - te * + rr ee * re re * - tf * -"},
    {"", "ee ff * ef ef * - tt * tf tf * ee * - 2 te * tf * ef * + te te * ff * -",
     "0 re ff * rf ef * - - tt * tr ef * te rf * + tf * - tf tf * re * + tr te * ff * +",
     "re ef * rf ee * - tt * tr ef * tf re * + te * - te te * rf * + tr tf * ee * +"},
    {"", "", "rr ff * rf rf * - tt * tf tf * rr * - 2 tr tf * * rf * + tr tr * ff * -",
     "0 rr ef * re rf * - - tt * tf re * tr * - tr rf * tf rr * - te * - tr tr * ef * +"},
    {"", "", "", "rr ee * re re * - tt * te te * rr * - 2 tr te * * re * + tr tr * ee * -"},
};

constexpr const char *determinant_row =
    "tr tr * ef ef * ee ff * - * "
    "tt ff rr ee * re re * - * 2 ef * re rf * * + ee rf rf * * - rr ef ef * * - * + "
    "2 tr te * * re ff * rf ef * - * + "
    "2 te * tf * rr ef * re rf * - * + "
    "2 tr * tf * re ef * rf ee * - * - "
    "te te * rr ff * rf rf * - * - "
    "tf tf * rr ee * re re * - * -";

int index_of_letter(char c)
{
    switch (c) {
    case 't':
        return 0;
    case 'r':
        return 1;
    case 'e':
        return 2;
    default:
        return 3;
    }
}

const QString &component(QString (*g)[4], int row, int column)
{
    return g[std::min(row, column)][std::max(row, column)];
}

// An empty field leaves the metric undefined; its expansions would not even
// be well formed, so the inverse is left without value altogether.
bool is_complete(QString (*g)[4])
{
    for (int mu = 0; mu < 4; ++mu)
        for (int nu = mu; nu < 4; ++nu)
            if (g[mu][nu].isEmpty())
                return false;
    return true;
}

QString expand(const char *row, QString (*g)[4])
{
    QString out;
    for (const QString &word : QString::fromLatin1(row).split(u' ', Qt::SkipEmptyParts)) {
        if (word.size() == 2)
            out += component(g, index_of_letter(word[0].toLatin1()),
                             index_of_letter(word[1].toLatin1()));
        else
            out += word;
    }
    return out;
}

CompiledExpr compile(QString s)
{
    return TrPfx(OptPfx(s));
}

} // namespace

void kontr_g(QString (*g)[4], CompiledExpr (&t)[33])
{
    const bool complete = is_complete(g);
    QString adjugate[4][4];
    for (int mu = 0; mu < 4; ++mu)
        for (int nu = mu; nu < 4; ++nu)
            if (complete)
                adjugate[mu][nu] = expand(adjugate_rows[mu][nu], g);
    QString determinant = complete ? expand(determinant_row, g) : QString();

    for (int mu = 0; mu < 4; ++mu) {
        for (int nu = mu; nu < 4; ++nu) {
            t[4 * nu + mu] = compile(component(g, mu, nu));
            t[4 * mu + nu] = t[4 * nu + mu];
            t[16 + 4 * nu + mu] = compile(adjugate[mu][nu]);
            t[16 + 4 * mu + nu] = t[16 + 4 * nu + mu];
        }
    }
    t[32] = compile(determinant);
}
