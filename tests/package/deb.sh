#!/usr/bin/env bash
# The Debian package: its name, fields and contents, lintian's verdict, that apt
# can install it here, and that the program it carries starts and plays.
build=$1
source "$(dirname "$0")/../e2e/xsession.sh"
export LC_ALL=C.UTF-8
app_id=ru.lemzor.Lemzor

cpack --config "$build/CPackConfig.cmake" -B "$XSESSION_DIR/package" >/dev/null ||
    fail "cpack failed"
deb=$XSESSION_DIR/package/lemzor_1.00_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$XSESSION_DIR/package")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = lemzor ] && [ "$(field Version)" = 1.00 ] && [ "$(field Section)" = games ] ||
    fail "wrong control fields: $(dpkg-deb -f "$deb")"
for library in libqt6core6 libqt6gui6 libqt6widgets6; do
    field Depends | grep -q "$library" || fail "Depends lacks $library: $(field Depends)"
done
echo "ok: $(basename "$deb"): Depends: $(field Depends)"

expected="./usr/games/lemzor
./usr/share/applications/$app_id.desktop
./usr/share/doc/lemzor/changelog.gz
./usr/share/doc/lemzor/copyright
./usr/share/icons/hicolor/32x32/apps/$app_id.png
./usr/share/icons/hicolor/scalable/apps/$app_id.svg
./usr/share/man/man6/lemzor.6.gz
./usr/share/metainfo/$app_id.metainfo.xml"
found=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
[ "$found" = "$expected" ] || fail "package contents differ:$(diff <(echo "$expected") <(echo "$found"))"
echo "ok: the package holds exactly $(wc -l <<<"$found") files"

report=$(lintian --tag-display-limit 0 "$deb" 2>/dev/null)
grep -q '^E:' <<<"$report" && fail "lintian reports errors:
$report"
echo "ok: lintian reports no error${report:+ (${report//$'\n'/; })}"

apt-get install --simulate --no-install-recommends "$deb" >"$XSESSION_DIR/apt.log" 2>&1 ||
    fail "apt cannot install the package: $(cat "$XSESSION_DIR/apt.log")"
echo "ok: apt can install it"

root=$XSESSION_DIR/root
dpkg-deb -x "$deb" "$root"
start_xsession
lemzor=$root/usr/games/lemzor
start_and_dismiss
close_window "$win"
wait_for 10 ended "$pid" || fail "the packaged program did not end"
wait "$pid" || fail "the packaged program ended with status $?"
echo "ok: the packaged program starts, shows its window and ends with status 0"
