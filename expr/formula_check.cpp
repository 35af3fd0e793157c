// SPDX-License-Identifier: GPL-3.0-or-later
#include "expr/formula_check.h"

#include "expr/compiled.h"
#include "expr/formula_syntax.h"
#include "expr/functions.h"
#include "expr/postfix.h"
#include "expr/simplify.h"

#include <QCoreApplication>
#include <QStringList>

#include <cmath>
#include <vector>

namespace
{

QString tr(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

bool is_symbol_of(QChar c, SyntaxKind kind)
{
    for (const SyntaxEntry &e : formula_syntax)
        if (e.kind == kind && QString::fromUtf8(e.symbol) == c)
            return true;
    return false;
}

bool is_operand(QChar c)
{
    return is_symbol_of(c, SyntaxKind::coordinate) || is_symbol_of(c, SyntaxKind::parameter);
}

QString symbols_of(SyntaxKind kind)
{
    QStringList symbols;
    for (const SyntaxEntry &e : formula_syntax)
        if (e.kind == kind)
            symbols << QString::fromUtf8(e.symbol);
    return symbols.join(QStringLiteral(", "));
}

bool is_latin_letter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

QString function_list()
{
    QStringList names;
    for (const FormulaFunction &f : formula_functions)
        names << QString::fromUtf16(f.name.data(), qsizetype(f.name.size())) +
                     QStringLiteral("( )");
    return names.join(QStringLiteral(", "));
}

bool is_operator(QChar c)
{
    return is_symbol_of(c, SyntaxKind::operation);
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
        if (const qsizetype n = number_length(text, i))
            return number(n);
        if (const int f = function_at(text, i); f >= 0) {
            const qsizetype length = qsizetype(formula_functions[f].name.size());
            if (auto p = opening(text.mid(i, length + 1)))
                return p;
            i += length;
            return std::nullopt;
        }
        if (is_operand(c))
            return operand(QString(c));
        if (c == u'(')
            return opening(QStringLiteral("("));
        if (c == u')')
            return closing();
        if (is_operator(c))
            return binary(c);
        if (is_latin_letter(c))
            return unknown_word();
        return problem(tr("unknown character %1").arg(quoted(QString(c))));
    }

    std::optional<FormulaProblem> number(qsizetype length)
    {
        const QStringView written = QStringView(text).mid(i, length);
        if (std::isinf(number_value(written)))
            return problem(tr("the number %1 is too large for a double (at most about 1.8e308)")
                               .arg(quoted(written.toString())));
        if (auto p = operand(written.toString()))
            return p;
        i += length - 1;
        return std::nullopt;
    }

    // A run of letters that names nothing: a function the language lacks
    // when a bracket follows, else a name.
    std::optional<FormulaProblem> unknown_word()
    {
        qsizetype end = i;
        while (end < text.size() && is_latin_letter(text[end]))
            ++end;
        const QString word = text.mid(i, end - i);
        if (end < text.size() && text[end] == u'(')
            return problem(tr("unknown function %1: the functions are %2")
                               .arg(quoted(word + u'('), function_list()));
        return problem(tr("unknown name %1: the variables are %2 and %3")
                           .arg(quoted(word), symbols_of(SyntaxKind::coordinate),
                                symbols_of(SyntaxKind::parameter)));
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

    std::optional<FormulaProblem> missing_operator(const QString &token)
    {
        return problem(
            tr("missing operator between %1 and %2").arg(quoted(previous), quoted(token)));
    }

    std::optional<FormulaProblem> problem(const QString &what) const
    {
        return FormulaProblem{what, i};
    }

    const QString &text;
    qsizetype i = 0;
    std::vector<qsizetype> openers;
    QString previous;
    bool want_operand = true;
    bool opened = false; // the last token opened a bracket
};

// Points around the hole, off the axis and away from t = 0 and φ = 0.
bool finite_somewhere(const CompiledExpr &e, const double *params)
{
    for (double r : {3.0, 10.0, 50.0, 300.0})
        for (double θ : {0.4, 1.5707963267948966, 2.5})
            if (std::isfinite(CntPfx(e.code, f_vec{{1.0, r, θ, 1.0}}, params)))
                return true;
    return false;
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
