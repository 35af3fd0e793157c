// SPDX-License-Identifier: GPL-3.0-or-later
#include "physics/simd_path.h"

#include "expr/fused_packet.h"

#include <QtGlobal>

SimdPath widest_simd_path()
{
    if (processor_runs(SimdPath::avx512))
        return SimdPath::avx512;
    if (processor_runs(SimdPath::avx2))
        return SimdPath::avx2;
    return SimdPath::off;
}

bool processor_runs(SimdPath path)
{
    switch (path) {
    case SimdPath::avx512:
        return processor_runs(PacketWidth::avx512);
    case SimdPath::avx2:
        return processor_runs(PacketWidth::avx2);
    default:
        return true;
    }
}

SimdPath default_simd_path()
{
    SimdPath asked = SimdPath::avx512;
    if (!parse_simd_path(qEnvironmentVariable("TENEBRION_SIMD"), asked))
        asked = SimdPath::avx512;
    const SimdPath widest = widest_simd_path();
    return static_cast<int>(asked) < static_cast<int>(widest) ? asked : widest;
}

bool parse_simd_path(QStringView text, SimdPath &path)
{
    if (text == u"off")
        path = SimdPath::off;
    else if (text == u"avx2")
        path = SimdPath::avx2;
    else if (text == u"avx512")
        path = SimdPath::avx512;
    else
        return false;
    return true;
}
