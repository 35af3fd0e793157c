// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QMainWindow;
class QWidget;

// Help → About, Formula syntax, Keys, Documentation; each opens a window of
// its own that does not block the main one.
void add_help_menu(QMainWindow &window);

// Name, version, licence, the libraries with their versions and the way rays
// are traced now.
QString about_text();
// Every symbol a metric formula may hold, by kind, with the key that types
// it, its meaning and an example; then a preset's metric as a whole example.
QString formula_syntax_text();
// Every shortcut of the window's menus and buttons, and the keys of its fields.
QString keys_text(QWidget const &window);
// Where the installed README and guides are: share/doc/tenebrion beside the
// program's bin folder.
QString documentation_folder();
