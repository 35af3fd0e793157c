// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "expr/op_codes.h"

#include <string_view>

// The functions a formula may call: the name typed before "(", the one
// character that stands for it in a postfix string, and its byte code.
struct FormulaFunction {
    std::u16string_view name;
    char16_t token;
    unsigned char code;
};

inline constexpr FormulaFunction formula_functions[] = {
    {u"sin", u'S', op::sin},   {u"cos", u'C', op::cos},   {u"sqrt", u'R', op::sqrt},
    {u"exp", u'E', op::exp},   {u"log", u'L', op::log},   {u"sinh", u'Y', op::sinh},
    {u"cosh", u'K', op::cosh}, {u"tanh", u'T', op::tanh},
};

// The function a postfix token stands for, or null.
constexpr const FormulaFunction *function_of_token(char16_t c)
{
    for (const FormulaFunction &f : formula_functions)
        if (f.token == c)
            return &f;
    return nullptr;
}
