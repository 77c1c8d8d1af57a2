#!/usr/bin/env bash
# The install and its validators, the Debian package (lintian, the same bytes when built twice),
# the Windows resources, and every icon file carrying the drawn pixels.
set -euo pipefail
export LC_ALL=C.UTF-8
build=$1 resources=$(realpath "$(dirname "$0")/../resources") app=ru.lemzor.Lemzor work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR
fail() { echo "FAIL: $*" >&2; exit 1; }
files() { sort | tr '\n' ' '; }

share="applications/$app.desktop doc/lemzor/changelog.gz doc/lemzor/copyright metainfo/$app.metainfo.xml
icons/hicolor/32x32/apps/$app.png icons/hicolor/scalable/apps/$app.svg man/man6/lemzor.6.gz"
cmake --install "$build" --prefix "$work/usr" >/dev/null
[ "$(cd "$work" && find usr -type f | files)" = "$(printf 'usr/share/%s\n' bin/lemzor $share |
    sed 's|share/bin|bin|' | files)" ] || fail "the install holds $(find "$work/usr" -type f)"
desktop-file-validate "$work/usr/share/applications/$app.desktop"
grep -qzE "Name=Лемзор.*Icon=$app.*Exec=lemzor" "$work/usr/share/applications/$app.desktop"
appstreamcli validate --no-net --pedantic "$work/usr/share/metainfo/$app.metainfo.xml" >/dev/null
date=$(dpkg-parsechangelog -l "$resources/changelog" -S Date | xargs -0 date -u +%F -d)
grep -q "<release version=\"1.00\" date=\"$date\"/>" "$work/usr/share/metainfo/$app.metainfo.xml"
echo "ok: the install holds its files, which the validators accept, and version 1.00 of $date"

for try in 1 2; do cpack --config "$build/CPackConfig.cmake" -B "$work/deb$try" >/dev/null 2>&1; done
deb=$(echo "$work"/deb1/lemzor_1.00_*.deb)
cmp "$deb" "$work"/deb2/lemzor_1.00_*.deb || fail "two builds of the package differ"
[ "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | files)" = \
    "$(printf './usr/share/%s\n' games/lemzor $share | sed 's|share/games|games|' | files)" ] ||
    fail "the package holds $(dpkg-deb -c "$deb" | awk '{print $6}')"
dpkg-deb -f "$deb" Section Depends | grep -qzE '^Section: games.*libqt6widgets6'
report=$(lintian --tag-display-limit 0 "$deb" 2>/dev/null) && ! grep -q '^E:' <<<"$report"
echo "ok: $(basename "$deb") is the same built twice; lintian: ${report//$'\n'/; }"

cd "$build/resources"
x86_64-w64-mingw32-windres --preprocessor=cpp -i lemzor.rc -O res -o "$work/rc.res"
x86_64-w64-mingw32-windres -J res -i "$work/rc.res" -O rc -o "$work/rc.rc"
grep -qzF 'Has 3 elements' "$work/rc.rc"
grep -qzF 'VALUE "ProductName", L"\x041b\x0435\x043c\x0437\x043e\x0440"' "$work/rc.rc"
grep -qzF 'VALUE "ProductVersion", "1.00"' "$work/rc.rc"
[ "$(identify -format '%wx%h %z;' lemzor.ico)" = "32x32 4;32x32 4;32x32 1;" ]
rsvg-convert -w 256 "$app.svg" | convert - -sample 32x32 "$work/svg.png"
for pair in "lemzor.ico[0] red" "lemzor.ico[1] green" "lemzor.ico[2] mono" "$app.png red" "$work/svg.png red"; do
    set -- $pair
    [ "$(compare -metric AE "$1" "$resources/icon-$2.xpm" null: 2>&1)" = 0 ]
done
echo "ok: the Windows resources carry version 1.00 and three images; every icon file is pixel-exact"
