// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/mainwindow.h"
#include "app/shared.h"
#include "app/state.h"
#include "tests/gui/support/widgets.h"

#include <QLineEdit>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

// A fresh main window for each test, its fields found by name.
class WindowTest : public ::testing::Test
{
  protected:
    QLineEdit *field(const char *name) { return child<QLineEdit>(w, name); }

    MainWindow w;
};

// The compiled metric as bytes, to tell whether an edit replaced it.
inline std::vector<unsigned char> compiled_metric()
{
    std::vector<unsigned char> bytes(sizeof t);
    std::memcpy(bytes.data(), t, sizeof t);
    return bytes;
}
