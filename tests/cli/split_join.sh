#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Two processes rendering frames 0-4 and 5-9 of a 10-frame animation write,
# byte for byte, the files one process writes for frames 0-9, with and without
# smoothed edges.
set -eu
render=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
for smooth in 1 16; do
    common="--size 24x18 --frames 10 --disk on --smooth $smooth --quiet"
    "$render" $common -o "$dir/whole_%02d.png"
    printf '0-4\n5-9\n' | xargs -P 2 -I RANGE "$render" $common --range RANGE -o "$dir/part_%02d.png"
    for i in 00 01 02 03 04 05 06 07 08 09; do
        cmp "$dir/whole_$i.png" "$dir/part_$i.png"
    done
done
