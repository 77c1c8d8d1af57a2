#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the package as a packager would, from two copies of the sources in different folders, one
# under umask 002, without the test tools: make install and uninstall, the validators, the Debian
# package (lintian, the same bytes from both), the source tarball, the Windows resources, the icons.
set -euo pipefail
export LC_ALL=C.UTF-8
source=$(realpath "$(dirname "$0")/..") app=ru.lemzor.Lemzor work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR
fail() { echo "FAIL: $*" >&2; exit 1; }
files() { sort | tr '\n' ' '; }

for copy in one "two/in another folder"; do
    mkdir -p "$work/$copy"
    (cd "$source" && git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$work/$copy")
    (
        [ "$copy" = one ] || umask 002
        cd "$work/$copy" && cmake --preset default -DBUILD_TESTING=OFF >/dev/null
        make -s package >/dev/null 2>&1
    )
done
one=$work/one
! grep -qE '^(Qt6Test_DIR|X11_X11_LIB):.*[^D]$' "$one/build/CMakeCache.txt" || fail "a build without tests needs test tools"
deb=$(echo "$one"/build/lemzor_1.00_*.deb)
cmp "$deb" "$work"/two/*/build/lemzor_1.00_*.deb || fail "two builds of the package differ"

share="applications/$app.desktop doc/lemzor/changelog.gz doc/lemzor/copyright metainfo/$app.metainfo.xml
icons/hicolor/32x32/apps/$app.png icons/hicolor/scalable/apps/$app.svg man/man6/lemzor.6.gz man/ru/man6/lemzor.6.gz"
make -s -C "$one" install DESTDIR="$work/dest" PREFIX=/usr >/dev/null
usr=$work/dest/usr
[ "$(cd "$work/dest" && find usr -type f | files)" = "$(printf 'usr/share/%s\n' bin/lemzor $share |
    sed 's|share/bin|bin|' | files)" ] || fail "the install holds $(find "$usr" -type f)"
! readelf -d "$usr/bin/lemzor" | grep -qE 'RPATH|RUNPATH' || fail "the installed program has a run path"
desktop-file-validate "$usr/share/applications/$app.desktop"
appstreamcli validate --no-net --strict "$usr/share/metainfo/$app.metainfo.xml" >/dev/null
date=$(dpkg-parsechangelog -l "$one/build/resources/changelog" -S Date | xargs -0 date -u +%F -d)
grep -q "<release version=\"1.00\" date=\"$date\"/>" "$usr/share/metainfo/$app.metainfo.xml"
make -s -C "$one" uninstall DESTDIR="$work/dest"
[ -z "$(find "$work/dest" -type f)" ] || fail "uninstall left $(find "$work/dest" -type f)"
echo "ok: make install and uninstall; the validators accept the entry and the metainfo of $date"

[ "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | files)" = \
    "$(printf './usr/share/%s\n' games/lemzor $share | sed 's|share/games|games|' | files)" ] ||
    fail "the package holds $(dpkg-deb -c "$deb" | awk '{print $6}')"
dpkg-deb -f "$deb" Section Depends | grep -qzE '^Section: games.*libqt6widgets6'
report=$(lintian --pedantic --display-info --tag-display-limit 0 "$deb" 2>/dev/null)
[ -z "$report" ] || fail "lintian: $report"
[ "$(tar -tJf "$one/build/lemzor-1.00.tar.xz" | grep -v '/$' | sed 's|^lemzor-1.00/||' | files)" = \
    "$(cd "$source" && git ls-files --cached --others --exclude-standard | files)" ] || fail "the source tarball is not the sources"
echo "ok: $(basename "$deb") is the same from both folders, $(sha256sum <"$deb" | cut -c1-16); lintian quiet"

cd "$one/build/resources"
x86_64-w64-mingw32-windres --preprocessor=cpp -i lemzor.rc -O res -o "$work/rc.res"
x86_64-w64-mingw32-windres -J res -i "$work/rc.res" -O rc -o "$work/rc.rc"
grep -qzF 'Has 3 elements' "$work/rc.rc"
grep -qzF 'VALUE "ProductName", L"\x041b\x0435\x043c\x0437\x043e\x0440"' "$work/rc.rc"
grep -qzF 'VALUE "ProductVersion", "1.00"' "$work/rc.rc"
[ "$(identify -format '%wx%h %z;' lemzor.ico)" = "32x32 4;32x32 4;32x32 1;" ]
rsvg-convert -w 256 "$app.svg" | convert - -sample 32x32 "$work/svg.png"
for pair in "lemzor.ico[0] red" "lemzor.ico[1] green" "lemzor.ico[2] mono" "$app.png red" "$work/svg.png red"; do
    set -- $pair
    [ "$(compare -metric AE "$1" "$source/resources/icon-$2.xpm" null: 2>&1)" = 0 ]
done
echo "ok: the Windows resources carry version 1.00 and three images; every icon file is pixel-exact"
