#include "expr/formula_check.h"

#include "expr/compiled.h"
#include "expr/formula_syntax.h"
#include "expr/postfix.h"
#include "expr/simplify.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

namespace
{

QString tr(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

bool is_one_of(QChar c, std::initializer_list<SyntaxKind> kinds)
{
    for (const SyntaxEntry &e : formula_syntax) {
        const QString symbol = QString::fromUtf8(e.symbol);
        if (std::find(kinds.begin(), kinds.end(), e.kind) != kinds.end() &&
            (e.kind == SyntaxKind::number ? symbol.contains(c) : symbol == c))
            return true;
    }
    return false;
}

bool is_operand(QChar c)
{
    return is_one_of(c, {SyntaxKind::coordinate, SyntaxKind::parameter, SyntaxKind::number});
}

bool is_operator(QChar c)
{
    return is_one_of(c, {SyntaxKind::operation});
}

// The function whose name with its "(" starts `text` at `at`; empty for none.
QString function_at(const QString &text, qsizetype at)
{
    for (const SyntaxEntry &e : formula_syntax) {
        const QString call = QString::fromUtf8(e.symbol) + u'(';
        if (e.kind == SyntaxKind::function && QStringView(text).mid(at).startsWith(call))
            return call;
    }
    return {};
}

bool starts_a_function(QChar c)
{
    for (const SyntaxEntry &e : formula_syntax)
        if (e.kind == SyntaxKind::function && QString::fromUtf8(e.symbol).startsWith(c))
            return true;
    return false;
}

QString function_names()
{
    QStringList names;
    for (const SyntaxEntry &e : formula_syntax)
        if (e.kind == SyntaxKind::function)
            names << QString::fromUtf8(e.symbol) + QStringLiteral("( )");
    const QString last = names.takeLast();
    return names.isEmpty() ? last : names.join(QStringLiteral(", ")) + tr(" and ") + last;
}

QString quoted(const QString &token)
{
    return u'\'' + token + u'\'';
}

class Reader
{
  public:
    explicit Reader(const QString &text) : text(text) {}

    std::optional<FormulaProblem> read()
    {
        if (text.isEmpty())
            return FormulaProblem{tr("empty formula"), -1};
        for (i = 0; i < text.size(); ++i)
            if (auto p = token())
                return p;
        if (want_operand)
            return FormulaProblem{tr("formula ends after %1").arg(quoted(previous)), text.size()};
        if (!openers.empty())
            return FormulaProblem{tr("unbalanced '('"), openers.back()};
        return std::nullopt;
    }

  private:
    std::optional<FormulaProblem> token()
    {
        const QChar c = text[i];
        if (is_operand(c))
            return operand(QString(c));
        if (starts_a_function(c)) {
            const QString call = function_at(text, i);
            if (call.isEmpty())
                return problem(tr("unknown function: only %1 are known").arg(function_names()));
            if (auto p = opening(call))
                return p;
            i += call.size() - 1;
            return std::nullopt;
        }
        if (c == u'(')
            return opening(QStringLiteral("("));
        if (c == u')')
            return closing();
        if (is_operator(c))
            return binary(c);
        return problem(tr("unknown character %1").arg(quoted(QString(c))));
    }

    std::optional<FormulaProblem> operand(const QString &token)
    {
        if (!want_operand)
            return missing_operator(token);
        want_operand = false;
        previous = token;
        return std::nullopt;
    }

    std::optional<FormulaProblem> opening(const QString &token)
    {
        if (!want_operand)
            return missing_operator(token);
        openers.push_back(i);
        opened = true;
        previous = token;
        return std::nullopt;
    }

    std::optional<FormulaProblem> closing()
    {
        if (openers.empty())
            return problem(tr("unbalanced ')'"));
        if (want_operand)
            return unexpected(QStringLiteral(")"));
        openers.pop_back();
        previous = QStringLiteral(")");
        return std::nullopt;
    }

    // A minus that opens the text or a bracket is a negation; every other
    // operator needs a value before it.
    std::optional<FormulaProblem> binary(QChar c)
    {
        const bool negation = c == u'-' && (i == 0 || opened);
        if (want_operand && !negation)
            return unexpected(QString(c));
        if (c == u'^')
            carets.push_back(i);
        want_operand = true;
        opened = false;
        previous = QString(c);
        return std::nullopt;
    }

    std::optional<FormulaProblem> unexpected(const QString &token)
    {
        if (i == 0)
            return problem(tr("unexpected %1 at the start").arg(quoted(token)));
        return problem(tr("unexpected %1 after %2").arg(quoted(token), quoted(previous)));
    }

    // Numbers are single digits, so "12" is two operands side by side.
    std::optional<FormulaProblem> missing_operator(const QString &token)
    {
        return problem(
            tr("missing operator between %1 and %2").arg(quoted(previous), quoted(token)));
    }

    std::optional<FormulaProblem> problem(const QString &what) const
    {
        return FormulaProblem{what, i};
    }

  public:
    std::vector<qsizetype> carets; // where each "^" stands

  private:
    const QString &text;
    qsizetype i = 0;
    std::vector<qsizetype> openers;
    QString previous;
    bool want_operand = true;
    bool opened = false; // the last token opened a bracket
};

CompiledExpr compiled(const QString &text)
{
    QString postfix = ToPfx(text);
    return TrPfx(OptPfx(postfix));
}

// Points around the hole, off the axis and away from t = 0 and φ = 0.
bool finite_somewhere(const CompiledExpr &e, const double *params)
{
    for (double r : {3.0, 10.0, 50.0, 300.0})
        for (double θ : {0.4, 1.5707963267948966, 2.5})
            if (std::isfinite(CntPfx(e.code, f_vec{{1.0, r, θ, 1.0}}, params)))
                return true;
    return false;
}

// The operand that starts at `at` in a text the reader accepted: one
// character, or a bracket up to its closing one. (Of sin( and cos( only the
// first letter, which is not a number either.)
QString operand_at(const QString &text, qsizetype at)
{
    if (text[at] != u'(')
        return text.mid(at, 1);
    int depth = 0;
    qsizetype end = at;
    do
        depth += text[end] == u'(' ? 1 : text[end] == u')' ? -1 : 0;
    while (++end < text.size() && depth > 0);
    return text.mid(at, end - at);
}

// Every evaluator takes a power's exponent as a whole number (repeated
// products keep whole powers exact), so anything else would be computed
// wrongly without a word: the exponent must be a constant whole number.
std::optional<FormulaProblem> exponent_problem(const QString &text, qsizetype caret,
                                               const double *params)
{
    const QString exponent = operand_at(text, caret + 1);
    for (QChar c : exponent)
        if (!c.isDigit() && !QStringLiteral("+-*/^()").contains(c))
            return FormulaProblem{tr("the exponent after '^' must be a number: only whole "
                                     "powers such as x^2 are computed"),
                                  caret};
    const double value = CntPfx(compiled(exponent).code, f_vec{{0.0, 1.0, 1.0, 0.0}}, params);
    if (!(value >= 0 && value <= 2147483647.0 && value == std::floor(value)))
        return FormulaProblem{
            tr("the exponent %1 is not a whole number from 0 up: only whole powers such as x^2 "
               "are computed (write 1/x^2 for x^(-2))")
                .arg(QString::number(value)),
            caret};
    return std::nullopt;
}

} // namespace

std::optional<FormulaProblem> formula_problem_of(const QString &text, const double *params)
{
    if (text.size() > max_formula_length)
        return FormulaProblem{tr("formula too long: at most %1 characters").arg(max_formula_length),
                              max_formula_length};
    Reader reader(text);
    if (auto p = reader.read())
        return p;
    for (qsizetype caret : reader.carets)
        if (auto p = exponent_problem(text, caret, params))
            return p;
    QString postfix = ToPfx(text);
    const QString finished = OptPfx(postfix);
    if (finished.size() > int(sizeof CompiledExpr::code) || stack_need(finished) < 0)
        return FormulaProblem{tr("formula too long or too deeply nested"), -1};
    if (!finite_somewhere(TrPfx(finished), params))
        return FormulaProblem{tr("no finite value anywhere (a division by zero?)"), -1};
    return std::nullopt;
}

QString describe(const FormulaProblem &p)
{
    if (p.at < 0)
        return p.what;
    return QCoreApplication::translate("MainWindow", "%1 (character %2)").arg(p.what).arg(p.at + 1);
}
