#include "expr/postfix.h"

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
        return c >= u'0' && c <= u'9';
    }
}

bool is_opener(QChar c)
{
    return c == u'(' || c == u's' || c == u'c';
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
    QChar marker = pop_top(stack);
    if (marker == u's')
        out += u'S';
    else if (marker == u'c')
        out += u'C';
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
    case 's':
    case 'c':
        return 0;
    default:
        return -1;
    }
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
        if (is_operand(c)) {
            out += c;
        } else if (c == u's' || c == u'c') {
            stack += c;
            i += 3; // the rest of "sin(" or "cos(" is taken on trust
            opening = true;
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
