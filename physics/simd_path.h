// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>

// How rays are traced: one at a time, or in packets of 4 (AVX2) or 8
// (AVX-512) lanes of the processor's vector registers.
enum class SimdPath { off, avx2, avx512 };

// The widest path this processor runs.
SimdPath widest_simd_path();

// What TENEBRION_SIMD (off, avx2 or avx512) asks for, else the widest path;
// never wider than the processor runs.
SimdPath default_simd_path();

bool processor_runs(SimdPath path);

// "off", "avx2" or "avx512"; false, with path unchanged, for anything else.
[[nodiscard]] bool parse_simd_path(QStringView text, SimdPath &path);
