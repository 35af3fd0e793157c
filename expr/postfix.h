#pragma once

#include <QChar>
#include <QString>

// Operator priority on the translation stack: "^" 3, "*" "/" 2, "+" "-" 1,
// the function markers "s" "c" 0, anything else (brackets included) -1.
int prior(QChar &c);

// Infix formula text to a postfix string of one-character tokens. Never
// fails: a malformed text gives a malformed string that later stages reject.
QString ToPfx(QString text);
