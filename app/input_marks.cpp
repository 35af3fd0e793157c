// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/input_marks.h"

#include "scene/value_ranges.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QVariant>

#include <cmath>

namespace
{

constexpr const char *problem_key = "inputProblem";
constexpr const char *help_key = "inputHelp";

void show_tooltip(QLineEdit *field)
{
    const QString problem = field_problem(field);
    const QString help = field->property(help_key).toString();
    if (problem.isEmpty())
        field->setToolTip(help);
    else
        field->setToolTip(help.isEmpty() ? problem : problem + QStringLiteral("\n\n") + help);
}

} // namespace

void mark_field(QLineEdit *field, const QString &problem)
{
    if (field_problem(field) == problem)
        return;
    field->setProperty(problem_key, problem);
    field->setStyleSheet(
        problem.isEmpty() ? QString() : QStringLiteral("QLineEdit { border: 2px solid red; }"));
    show_tooltip(field);
}

QString field_problem(const QLineEdit *field)
{
    return field->property(problem_key).toString();
}

void set_field_help(QLineEdit *field, const QString &help)
{
    field->setProperty(help_key, help);
    show_tooltip(field);
}

QString number_problem(const QLineEdit *field, bool single)
{
    bool ok = false;
    const double v = single ? double(field->text().toFloat(&ok)) : field->text().toDouble(&ok);
    if (ok && std::isfinite(v))
        return QString();
    return QCoreApplication::translate("MainWindow", "not a number: %1")
        .arg(field->text().isEmpty() ? QCoreApplication::translate("MainWindow", "empty")
                                     : QStringLiteral("'") + field->text() + QStringLiteral("'"));
}

QString value_problem(const QLineEdit *field, const char *key, bool single)
{
    if (QString problem = number_problem(field, single); !problem.isEmpty())
        return problem;
    const double v = single ? double(field->text().toFloat()) : field->text().toDouble();
    return range_problem(QString::fromUtf8(key), v);
}
