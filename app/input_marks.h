// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QLineEdit;

// A field whose text cannot be used wears a red frame and says why in its
// tooltip, above the field's own help. An empty problem clears the mark.
void mark_field(QLineEdit *field, const QString &problem);

// The problem the field was last marked with; empty when it is usable.
[[nodiscard]] QString field_problem(const QLineEdit *field);

// The help the field shows when it is not marked.
void set_field_help(QLineEdit *field, const QString &help);

// Why the field's text is not one finite number (in single precision when
// the field is read that way); empty when it is one.
[[nodiscard]] QString number_problem(const QLineEdit *field, bool single = false);

// Why the field's text is not a number inside the range of `key` (a value of
// value_ranges.h); empty when it is one.
[[nodiscard]] QString value_problem(const QLineEdit *field, const char *key, bool single = false);
