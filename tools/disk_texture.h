// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

// The Kepler disk texture: the inner disk edge is the centre of the square,
// the outer edge is the inscribed circle. Opaque on the whole inscribed disc
// (the renderer samples every radius up to the outer edge), transparent
// outside it.
QImage disk_texture(int size);
