// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/simplify.h"

#include "expr/compiled.h"
#include "expr/functions.h"
#include "expr/stack_order.h"

#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace
{

constexpr int max_temporaries = 16;
constexpr char16_t first_temporary = u'а';

using StringStack = std::vector<QString>;

bool is_binary_operator(QChar c)
{
    return c == u'*' || c == u'+' || c == u'-' || c == u'/' || c == u'^';
}

bool is_function(QChar c)
{
    return function_of_token(c.unicode()) != nullptr;
}

QString ordered(const QString &a, const QString &b, QChar op)
{
    return a[0] < b[0] ? a + b + op : b + a + op;
}

QString combine(const QString &a, const QString &b, QChar op)
{
    switch (op.unicode()) {
    case '*':
        if (a == u"0" || b == u"0")
            return QStringLiteral("0");
        return b == u"1" ? a : ordered(a, b, op);
    case '+':
        if (a == u"0")
            return b;
        return b == u"0" ? a : ordered(a, b, op);
    case '-':
        if (a == b)
            return QStringLiteral("0");
        return b == u"0" ? a : a + b + op;
    case '/':
        if (a == b)
            return QStringLiteral("1");
        if (a == u"0")
            return QStringLiteral("0");
        return b == u"1" ? a : a + b + op;
    default: // '^'
        // 0^0 is 1 to the evaluators, and an exponent that is not a digit
        // may be 0 where it is evaluated.
        if (a == u"0" && b.size() == 1 && b[0] >= u'1' && b[0] <= u'9')
            return QStringLiteral("0");
        return b == u"1" ? a : a + b + op;
    }
}

// An operator short of operands (possible only in malformed strings) is kept
// as text on whatever is there, so nothing is read below the stack and the
// fault stays visible to the compiler, which rejects it.
void apply_short(StringStack &st, QChar op)
{
    if (st.empty())
        st.emplace_back(op);
    else
        st.back() += op;
}

void apply_binary(StringStack &st, QChar op)
{
    if (st.size() < 2) {
        if (op == u'-' && st.size() == 1 && st.back() == u"0")
            return;
        apply_short(st, op);
        return;
    }
    QString b = std::move(st.back());
    st.pop_back();
    st.back() = combine(st.back(), b, op);
}

QString simplify_pass(const QString &s)
{
    StringStack st;
    st.reserve(s.size());
    for (QChar c : s) {
        if (is_binary_operator(c))
            apply_binary(st, c);
        else if (is_function(c))
            apply_short(st, c);
        else
            st.emplace_back(c);
    }
    return st.empty() ? QString() : st.front();
}

// Counts the occurrences (overlapping ones included) of any piece of one
// text. A plain substring search compares each candidate position character
// by character, and in the periodic texts long sums make, nearly every
// position is a candidate: counting every piece that way made factoring cubic
// in the length. Positions are compared by polynomial hashes of their
// prefixes first, so only real occurrences are compared in full.
class PieceCounter
{
  public:
    explicit PieceCounter(QStringView text)
        : text_(text), prefix_(text.size() + 1), power_(text.size() + 1)
    {
        power_[0] = {1, 1};
        for (qsizetype i = 0; i < text.size(); ++i) {
            prefix_[i + 1] = extended(prefix_[i], text[i].unicode() + 1u);
            power_[i + 1] = extended(power_[i], 0);
        }
    }

    qsizetype count(qsizetype start, qsizetype length) const
    {
        const Hash wanted = hash(start, length);
        const QStringView piece = text_.mid(start, length);
        qsizetype n = 0;
        for (qsizetype p = 0; p + length <= text_.size(); ++p)
            if (hash(p, length) == wanted && text_.mid(p, length) == piece)
                ++n;
        return n;
    }

  private:
    // Two hashes modulo primes below 2^31, so products fit 64 bits; together
    // they make a chance match as unlikely as one 62-bit hash would.
    struct Hash {
        std::uint64_t a = 0, b = 0;
        bool operator==(Hash const &) const = default;
    };
    static constexpr std::uint64_t modulus_a = 2147483647, modulus_b = 2147483629;
    static constexpr std::uint64_t base = 1000003;

    static Hash extended(Hash h, std::uint64_t c)
    {
        return {(h.a * base + c) % modulus_a, (h.b * base + c) % modulus_b};
    }
    Hash hash(qsizetype start, qsizetype length) const
    {
        Hash const &to = prefix_[start + length], &from = prefix_[start];
        Hash const &shift = power_[length];
        return {(to.a + modulus_a - from.a * shift.a % modulus_a) % modulus_a,
                (to.b + modulus_b - from.b * shift.b % modulus_b) % modulus_b};
    }

    QStringView text_;
    std::vector<Hash> prefix_, power_;
};

int depth_change(QChar c)
{
    if (is_binary_operator(c))
        return -1;
    return is_function(c) ? 0 : 1;
}

struct Repeat {
    QString piece;
    qsizetype count = 0;
};

// Grows each candidate one character at a time with a running depth count:
// once a prefix fails the depth test, every longer piece from that start
// fails too, which keeps the search quadratic in the number of valid pieces.
Repeat most_repeated(const QString &s)
{
    Repeat best;
    const qsizetype n = s.size();
    const PieceCounter counter(s);
    for (qsizetype i = 0; i + 4 <= n; ++i) {
        int depth = 0;
        for (qsizetype len = 1; len <= n - i - 1; ++len) {
            depth += depth_change(s[i + len - 1]);
            if (depth <= 0 || depth > 10)
                break;
            if (len < 3 || depth != 1)
                continue;
            const qsizetype count = counter.count(i, len);
            if (count >= best.count) {
                best.piece = s.mid(i, len);
                best.count = count;
            }
        }
    }
    return best;
}

QString finished(const QStringList &definitions, const QString &main)
{
    return definitions.join(QString()) + main + u'$';
}

// The canonical operand order can nest a long sum deeper than the stack; the
// same expressions in depth-first order usually fit. They are used only when
// needed, so every string that fits keeps its canonical text.
QStringList runnable_parts(const QStringList &definitions, const QString &main)
{
    QStringList plain = definitions;
    plain.append(main);
    if (stack_need(finished(definitions, main)) >= 0)
        return plain;
    QStringList reordered;
    for (const QString &part : plain)
        reordered.append(shallowest_order(part));
    QString reordered_main = reordered.takeLast();
    if (stack_need(finished(reordered, reordered_main)) < 0)
        return plain;
    reordered.append(reordered_main);
    return reordered;
}

bool runs(const QStringList &parts)
{
    return stack_need(finished(parts.mid(0, parts.size() - 1), parts.back())) >= 0;
}

} // namespace

QString SimpPfx(QString &s)
{
    for (;;) {
        QString next = simplify_pass(s);
        bool shorter = next.size() < s.size();
        s = next;
        if (!shorter)
            return s;
    }
}

bool valPfx(QString s)
{
    int depth = 0;
    for (QChar c : s) {
        depth += depth_change(c);
        if (depth == 0 || depth > 10)
            return false;
    }
    return depth == 1;
}

QString MaxRepStr(QString &s)
{
    return most_repeated(s).piece;
}

QString OptPfx(QString &s)
{
    if (s.size() < 4)
        return s + u'$';
    SimpPfx(s);
    QStringList definitions;
    if (s.size() > 3) {
        for (int k = 0; k < max_temporaries; ++k) {
            Repeat rep = most_repeated(s);
            if (rep.piece.isEmpty() || rep.count < 2)
                break;
            QString factored = s;
            factored.replace(rep.piece, QChar(char16_t(first_temporary + k)));
            SimpPfx(factored);
            // A temporary holds a stack slot for the whole run; stop before
            // the definitions and the main expression outgrow the stack.
            QStringList more = definitions;
            more.append(rep.piece);
            if (runs(runnable_parts(definitions, s)) && !runs(runnable_parts(more, factored)))
                break;
            definitions = more;
            s = factored;
        }
    }
    QStringList parts = runnable_parts(definitions, s);
    s = parts.takeLast();
    return finished(parts, s);
}
