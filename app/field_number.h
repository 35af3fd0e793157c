// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Every number the program writes into a field: six significant digits, the
// shorter of fixed and exponent form.
inline QString field_number(double value)
{
    return QString::number(value, 'g', 6);
}
