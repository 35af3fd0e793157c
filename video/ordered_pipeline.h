// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <functional>

// Makes items 0 … count−1 on `threads` worker threads and hands them to
// `consume` on the calling thread strictly in order, so slow work (encoding)
// runs in parallel while its results are written one after the other. At
// most twice `threads` items are made ahead of the one being consumed.
//
// `keep_going` runs on the calling thread after every consumed item and at
// least every 50 ms while it waits. When it or `consume` returns false,
// nothing more is consumed and the workers stop after the items in hand.
// Returns how many items were consumed with success.
int run_in_order(int count, int threads, std::function<QByteArray(int)> const &make,
                 std::function<bool(int, QByteArray const &)> const &consume,
                 std::function<bool()> const &keep_going);
