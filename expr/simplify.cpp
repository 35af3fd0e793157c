#include "expr/simplify.h"

#include "expr/compiled.h"

#include <QStringView>

#include <vector>

namespace
{

constexpr int maxTemporaries = 16;
constexpr char16_t firstTemporary = u'а';

using StringStack = std::vector<QString>;

bool isBinaryOperator(QChar c)
{
    return c == u'*' || c == u'+' || c == u'-' || c == u'/' || c == u'^';
}

bool isFunction(QChar c)
{
    return c == u'C' || c == u'S';
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
        if (a == u"0")
            return QStringLiteral("0");
        return b == u"1" ? a : a + b + op;
    }
}

// An operator short of operands (possible only in malformed strings) is kept
// as text on whatever is there, so nothing is read below the stack and the
// fault stays visible to the compiler, which rejects it.
void applyShort(StringStack &st, QChar op)
{
    if (st.empty())
        st.emplace_back(op);
    else
        st.back() += op;
}

void applyBinary(StringStack &st, QChar op)
{
    if (st.size() < 2) {
        if (op == u'-' && st.size() == 1 && st.back() == u"0")
            return;
        applyShort(st, op);
        return;
    }
    QString b = std::move(st.back());
    st.pop_back();
    st.back() = combine(st.back(), b, op);
}

QString simplifyPass(const QString &s)
{
    StringStack st;
    st.reserve(s.size());
    for (QChar c : s) {
        if (isBinaryOperator(c))
            applyBinary(st, c);
        else if (isFunction(c))
            applyShort(st, c);
        else
            st.emplace_back(c);
    }
    return st.empty() ? QString() : st.front();
}

qsizetype countOverlapping(QStringView hay, QStringView needle)
{
    qsizetype n = 0;
    for (qsizetype p = hay.indexOf(needle); p >= 0; p = hay.indexOf(needle, p + 1))
        ++n;
    return n;
}

int depthChange(QChar c)
{
    if (isBinaryOperator(c))
        return -1;
    return isFunction(c) ? 0 : 1;
}

struct Repeat {
    QString piece;
    qsizetype count = 0;
};

// Grows each candidate one character at a time with a running depth count:
// once a prefix fails the depth test, every longer piece from that start
// fails too, which keeps the search quadratic in the number of valid pieces.
Repeat mostRepeated(const QString &s)
{
    Repeat best;
    const qsizetype n = s.size();
    for (qsizetype i = 0; i + 4 <= n; ++i) {
        int depth = 0;
        for (qsizetype len = 1; len <= n - i - 1; ++len) {
            depth += depthChange(s[i + len - 1]);
            if (depth <= 0 || depth > 10)
                break;
            if (len < 3 || depth != 1)
                continue;
            QStringView piece = QStringView(s).mid(i, len);
            qsizetype count = countOverlapping(s, piece);
            if (count >= best.count) {
                best.piece = piece.toString();
                best.count = count;
            }
        }
    }
    return best;
}

QString finished(const QString &definitions, const QString &main)
{
    return definitions + main + u'$';
}

} // namespace

QString SimpPfx(QString &s)
{
    for (;;) {
        QString next = simplifyPass(s);
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
        depth += depthChange(c);
        if (depth == 0 || depth > 10)
            return false;
    }
    return depth == 1;
}

QString MaxRepStr(QString &s)
{
    return mostRepeated(s).piece;
}

QString OptPfx(QString &s)
{
    if (s.size() < 4)
        return s + u'$';
    SimpPfx(s);
    QString definitions;
    if (s.size() <= 3)
        return finished(definitions, s);
    for (int k = 0; k < maxTemporaries; ++k) {
        Repeat rep = mostRepeated(s);
        if (rep.piece.isEmpty() || rep.count < 2)
            break;
        QString factored = s;
        factored.replace(rep.piece, QChar(char16_t(firstTemporary + k)));
        SimpPfx(factored);
        // A temporary holds a stack slot for the whole run; stop before the
        // definitions and the main expression together outgrow the stack.
        QString withTemporary = definitions + rep.piece;
        if (stackNeed(finished(definitions, s)) >= 0 &&
            stackNeed(finished(withTemporary, factored)) < 0)
            break;
        definitions = withTemporary;
        s = factored;
    }
    return finished(definitions, s);
}
