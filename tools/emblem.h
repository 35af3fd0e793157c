// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

// The program's own emblem: a black hole's shadow with its photon ring and a
// tilted disk crossing in front of it.
QImage logo(int width, int height); // emblem above the name "Tenebrion"
QImage icon(int size);              // emblem alone, for the window icon
