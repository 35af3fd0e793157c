// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/postfix.h"

#include "expr/functions.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <string>

namespace
{

bool is_operand(QChar c)
{
    switch (c.unicode()) {
    case 'M':
    case 'Q':
    case 'a':
    case 'r':
    case 't':
    case u'Λ':
    case u'θ':
    case u'φ':
        return true;
    default:
        return false;
    }
}

bool is_digit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// On the operator stack a function call is a marker that also stands for its
// opening bracket: "s" and "c" for sine and cosine, private-use characters
// for the others.
QChar marker_of(std::size_t function)
{
    const char16_t token = formula_functions[function].token;
    if (token == u'S')
        return u's';
    if (token == u'C')
        return u'c';
    return QChar(char16_t(0xe000 + function));
}

// The function whose marker c is, or -1.
int function_of_marker(QChar c)
{
    for (std::size_t f = 0; f < std::size(formula_functions); ++f)
        if (marker_of(f) == c)
            return static_cast<int>(f);
    return -1;
}

bool is_opener(QChar c)
{
    return c == u'(' || function_of_marker(c) >= 0;
}

QChar pop_top(QString &stack)
{
    QChar top = stack.back();
    stack.chop(1);
    return top;
}

// A surplus ")" finds no opener; it is dropped rather than letting it empty
// the stack of operators that still belong to the enclosing expression.
void close_bracket(QString &out, QString &stack)
{
    qsizetype opener = stack.size() - 1;
    while (opener >= 0 && !is_opener(stack[opener]))
        --opener;
    if (opener < 0)
        return;
    while (stack.size() - 1 > opener)
        out += pop_top(stack);
    const int f = function_of_marker(pop_top(stack));
    if (f >= 0)
        out += QChar(formula_functions[f].token);
}

void push_operator(QChar c, QString &out, QString &stack)
{
    while (!stack.isEmpty()) {
        QChar top = stack.back();
        if (top != u'^' && prior(c) > prior(top))
            break;
        out += pop_top(stack);
    }
    stack += c;
}

// Ten, as digits. A function rather than a static string: a metric may be
// translated during static initialisation.
QString ten()
{
    return QStringLiteral("91+");
}

constexpr std::uint64_t exact_below = std::uint64_t(1) << 53;

QString power_of(const QString &base, int k);

// A whole number below 2^53 by Horner's rule in tens, its trailing zeros as
// a power of ten: every partial value is a whole number below it, so each
// step is exact.
QString whole(std::uint64_t n)
{
    int zeros = 0;
    for (; n >= 10 && n % 10 == 0; n /= 10)
        ++zeros;
    const std::string digits = std::to_string(n);
    QString out = QString::fromLatin1(digits.data(), 1);
    for (std::size_t k = 1; k < digits.size(); ++k) {
        out += ten() + u'*';
        if (digits[k] != '0')
            out += QChar::fromLatin1(digits[k]) + QStringLiteral("+");
    }
    if (zeros == 0)
        return out;
    if (n == 1)
        return power_of(ten(), zeros);
    return out + power_of(ten(), zeros) + u'*';
}

// base^k, k ≥ 1, as pw forms it: exact for 10^k up to k = 22 and for every
// power of two a double holds.
QString power_of(const QString &base, int k)
{
    return k == 1 ? base : base + whole(static_cast<std::uint64_t>(k)) + u'^';
}

QString scaled(QString value, const QString &base, int k)
{
    if (k > 0 && value == u"1")
        return power_of(base, k);
    if (k > 0)
        return value + power_of(base, k) + u'*';
    if (k < 0)
        return value + power_of(base, -k) + u'/';
    return value;
}

// n / 10^k in lowest terms where the denominator stays below 2^53 (two
// exact whole numbers, so the quotient is rounded once); else n / 10^k.
QString fraction(const std::uint64_t numerator, int k)
{
    std::uint64_t n = numerator;
    int twos = k, fives = k;
    for (; twos > 0 && n % 2 == 0; --twos)
        n /= 2;
    for (; fives > 0 && n % 5 == 0; --fives)
        n /= 5;
    std::uint64_t d = 1;
    for (int i = 0; i < twos + fives && d < exact_below; ++i)
        d *= i < twos ? 2 : 5;
    if (d >= exact_below)
        return scaled(whole(numerator), ten(), -k);
    return d == 1 ? whole(n) : whole(n) + whole(d) + u'/';
}

// Any double as m·2^k with a whole m below 2^53; a quotient that would need
// 2^k beyond the largest double is taken in two exact steps.
QString binary_form(double v)
{
    if (v == 0)
        return QStringLiteral("0");
    if (std::isinf(v))
        return QStringLiteral("10/");
    int e;
    const double f = std::frexp(v, &e);
    auto m = static_cast<std::uint64_t>(std::ldexp(f, 53));
    int k = e - 53;
    while (m % 2 == 0) {
        m /= 2;
        ++k;
    }
    QString out = whole(m);
    if (k < -1000) {
        out = scaled(out, QStringLiteral("2"), -1000);
        k += 1000;
    }
    return scaled(out, QStringLiteral("2"), k);
}

struct DecimalText {
    std::string digits;  // significant digits, no leading or trailing zeros
    long long scale = 0; // value = digits · 10^scale
};

DecimalText decimal_of(QStringView number)
{
    DecimalText d;
    long long fraction = 0;
    bool after_point = false;
    qsizetype i = 0;
    for (; i < number.size() && (is_digit(number[i]) || number[i] == u'.'); ++i) {
        if (number[i] == u'.') {
            after_point = true;
            continue;
        }
        fraction += after_point;
        if (!d.digits.empty() || number[i] != u'0')
            d.digits += char(number[i].unicode());
    }
    long long exponent = 0;
    if (i + 1 < number.size()) {
        for (qsizetype k = i + 1; k < number.size(); ++k)
            if (is_digit(number[k]))
                exponent = std::min(exponent * 10 + (number[k].unicode() - u'0'), 100000LL);
        if (number[i + 1] == u'-')
            exponent = -exponent;
    }
    while (!d.digits.empty() && d.digits.back() == '0') {
        d.digits.pop_back();
        ++d.scale;
    }
    d.scale += exponent - fraction;
    return d;
}

// The correctly rounded double of digits · 10^scale; beyond the doubles'
// range the conversion reports that and sets nothing.
double value_of(const DecimalText &d)
{
    if (d.digits.empty())
        return 0.0;
    const std::string text = d.digits + 'e' + std::to_string(d.scale);
    double v = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), v).ec != std::errc())
        return d.scale > 0 ? HUGE_VAL : 0.0;
    return v;
}

} // namespace

int prior(QChar &c)
{
    switch (c.unicode()) {
    case '^':
        return 3;
    case '*':
    case '/':
        return 2;
    case '+':
    case '-':
        return 1;
    default:
        return function_of_marker(c) >= 0 ? 0 : -1;
    }
}

qsizetype number_length(QStringView text, qsizetype at)
{
    qsizetype i = at;
    qsizetype digits = 0;
    while (i < text.size() && is_digit(text[i]))
        ++i, ++digits;
    if (i < text.size() && text[i] == u'.') {
        ++i;
        while (i < text.size() && is_digit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return 0;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype k = i + 1;
        if (k < text.size() && (text[k] == u'+' || text[k] == u'-'))
            ++k;
        if (k < text.size() && is_digit(text[k])) {
            while (k < text.size() && is_digit(text[k]))
                ++k;
            i = k;
        }
    }
    return i - at;
}

double number_value(QStringView number)
{
    return value_of(decimal_of(number));
}

// Digits and a scale that both fit exactly make a quotient or product of two
// exact values, rounded once; other numbers are written in binary from the
// correctly rounded value itself.
QString number_postfix(QStringView number)
{
    const DecimalText d = decimal_of(number);
    if (d.digits.empty())
        return QStringLiteral("0");
    if (d.digits.size() <= 16 && d.scale >= -22 && d.scale <= 22) {
        std::uint64_t n = std::stoull(d.digits);
        if (n < exact_below && d.scale < 0)
            return fraction(n, static_cast<int>(-d.scale));
        for (long long k = 0; k < d.scale && n < exact_below; ++k)
            n *= 10;
        if (n < exact_below)
            return whole(n);
        if (std::stoull(d.digits) < exact_below)
            return scaled(whole(std::stoull(d.digits)), ten(), static_cast<int>(d.scale));
    }
    return binary_form(value_of(d));
}

// A minus that opens the text or a bracket negates what follows. It is
// written as a subtraction from "0", never as a bare minus over one value:
// the metric's adjugate splices component strings behind other values, where
// a bare minus would silently become a subtraction of them.
QString ToPfx(QString text)
{
    QString out;
    QString stack;
    bool opening = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text[i];
        const bool negation = opening && c == u'-';
        opening = false;
        if (const qsizetype n = number_length(text, i)) {
            out += number_postfix(QStringView(text).mid(i, n));
            i += n - 1;
        } else if (const int f = function_at(text, i); f >= 0) {
            stack += marker_of(f);
            i += formula_functions[f].name.size();
            opening = true;
        } else if (is_operand(c)) {
            out += c;
        } else if (c == u'(') {
            stack += c;
            opening = true;
        } else if (c == u')') {
            close_bracket(out, stack);
        } else {
            if (negation)
                out += u'0';
            push_operator(c, out, stack);
        }
    }
    while (!stack.isEmpty())
        out += pop_top(stack);
    return out;
}

int function_at(QStringView text, qsizetype at)
{
    for (std::size_t f = 0; f < std::size(formula_functions); ++f) {
        const std::u16string_view name = formula_functions[f].name;
        const QStringView written = text.mid(at, qsizetype(name.size()) + 1);
        if (written.size() == qsizetype(name.size()) + 1 && written.back() == u'(' &&
            written.chopped(1) == QStringView(name.data(), qsizetype(name.size())))
            return static_cast<int>(f);
    }
    return -1;
}
