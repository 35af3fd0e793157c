#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a temporary prefix and checks what lands there with
# the desktop's own validators and readers: the desktop entry, the AppStream
# file, both manual pages, the documentation and licence, the icons, and both programs run from a prefix
# moved elsewhere, away from the build folder.
# Usage: check_install.sh BUILD_DIR
set -eu
build=$(cd "$1" && pwd)
for tool in desktop-file-validate appstreamcli man ffprobe readelf timeout; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$work/usr" >/dev/null
p=$work/usr
id=org.tenebrion.Tenebrion

desktop-file-validate "$p/share/applications/$id.desktop" || fail "desktop entry"
grep -qx 'Categories=Education;Science;Physics;' "$p/share/applications/$id.desktop" ||
    fail "desktop entry's categories"
appstreamcli validate --no-net "$p/share/metainfo/$id.metainfo.xml" || fail "metainfo"

for page in tenebrion tenebrion-render; do
    warnings=$(MANWIDTH=80 man --warnings -l "$p/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page(1): $warnings"
    MANWIDTH=80 man -l "$p/share/man/man1/$page.1.gz" 2>/dev/null | grep -q "^NAME" ||
        fail "$page(1) renders no NAME section"
done

sections=$(MANWIDTH=80 man -l "$p/share/man/man1/tenebrion.1.gz" 2>/dev/null | grep -E '^[A-Z][A-Z ]+$')
for section in "FORMULA SYNTAX" KEYS "VALID RANGES" "SCENE FILES" FILES ENVIRONMENT; do
    echo "$sections" | grep -qx "$section" || fail "tenebrion(1) has no $section section"
done

doc=$p/share/doc/tenebrion
for file in README.md docs/render-farm.md docs/architecture.md docs/window.png changelog.gz; do
    [ -s "$doc/$file" ] || fail "$doc/$file is not installed"
done
grep -q '^License: GPL-3.0+$' "$doc/copyright" || fail "copyright names no licence"
grep -q "<project_license>GPL-3.0-or-later</project_license>" "$p/share/metainfo/$id.metainfo.xml" ||
    fail "metainfo names no licence"

for size in 16 22 24 32 48 64 128 256 512; do
    icon=$p/share/icons/hicolor/${size}x$size/apps/$id.png
    [ "$(ffprobe -v error -show_entries stream=width,height -of csv=p=0 "$icon")" = "$size,$size" ] ||
        fail "icon $icon"
done

for program in tenebrion tenebrion-render; do
    if readelf -d "$p/bin/$program" | grep -q "$build"; then
        fail "$program looks for libraries in the build folder"
    fi
done

# Moved away from where it was installed, with nothing of the build's
# environment and the working folder elsewhere.
mv "$p" "$work/moved"
cd "$work"
env -i PATH=/usr/bin:/bin HOME="$work" "$work/moved/bin/tenebrion-render" --quiet \
    --size 64x48 -o "$work/frame.png" || fail "the installed tenebrion-render did not render"
[ "$(ffprobe -v error -show_entries stream=width,height -of csv=p=0 "$work/frame.png")" = "64,48" ] ||
    fail "the installed tenebrion-render's frame is not 64x48"
# The window keeps running until it is closed: still running after 3 s is a start.
status=0
env -i PATH=/usr/bin:/bin HOME="$work" QT_QPA_PLATFORM=offscreen \
    timeout 3 "$work/moved/bin/tenebrion" >/dev/null 2>&1 || status=$?
[ "$status" = 124 ] || fail "the installed tenebrion ended with $status at start"
echo "installed files, pages, icons and both programs are fine"
