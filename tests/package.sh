#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the package as a packager would, from two copies of the sources in different folders, one
# under umask 002, without the test tools: make install and uninstall, the validators, the Debian
# package (lintian, the same bytes from both), the source tarball, the Windows program, zip and installer
# (the same bytes from both), the icons.
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

# The Windows program as built by make windows, read back from the file: only Windows' own libraries,
# the version record, the manifest, and the icon that the resource script put in.
exe=$source/build-windows/window/lemzor.exe
/usr/bin/python3 - "$exe" "$source"/build-windows/lemzor-1.00-windows-x86_64.exe <<'PE'
import pefile, sys
def version(pe):
    return {k.decode(): v.decode() for info in pe.FileInfo[0] if info.Key == b"StringFileInfo"
            for table in info.StringTable for k, v in table.entries.items()}
setup = version(pefile.PE(sys.argv[2]))
assert setup["ProductName"] == "Лемзор" and setup["ProductVersion"] == "1.00" and setup["CompanyName"], setup
pe = pefile.PE(sys.argv[1])
imports = {entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT}
assert imports <= {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "oleaut32.dll", "msvcrt.dll"}, imports
strings = version(pe)
assert strings["ProductName"] == "Лемзор" and strings["ProductVersion"] == "1.00" and strings["LegalCopyright"], strings
manifest = next(entry for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries if entry.id == 24).directory.entries[0]
data = manifest.directory.entries[0].data.struct
text = pe.get_data(data.OffsetToData, data.Size).decode()
assert all(word in text for word in ("PerMonitorV2", "UTF-8", "Common-Controls", "8e0f7a12")), text
print(f"ok: lemzor.exe, {len(pe.__data__) // 1024} KiB, imports {', '.join(sorted(imports))}; "
      f"{strings['ProductName']} {strings['ProductVersion']}; the installer's record too")
PE
wrestool -x -t 14 "$exe" >"$work/exe.ico"
cd "$one/build/resources"
for ico in lemzor.ico "$work/exe.ico"; do
    [ "$(identify -format '%wx%h %z;' "$ico")" = "32x32 4;32x32 4;32x32 1;" ] || fail "$ico holds $(identify "$ico")"
done
zip=$source/build-windows/lemzor-1.00-windows-x86_64.zip
[ "$(unzip -Z1 "$zip" | files)" = "$(printf 'lemzor-1.00-windows-x86_64/%s\n' COPYING.txt README.txt lemzor.exe |
    files)" ] || fail "the zip holds the wrong files"
for text in COPYING.txt README.txt; do
    ! unzip -p "$zip" "lemzor-1.00-windows-x86_64/$text" | grep -qv $'\r$' || fail "$text has Unix line ends"
done
for file in window/lemzor.exe lemzor-1.00-windows-x86_64.exe lemzor-1.00-windows-x86_64.zip; do
    cmp "$one/build-windows/$file" "$work"/two/*/build-windows/"$file" || fail "two builds of $file differ"
done
echo "ok: the Windows program, zip and installer are the same from both folders"
rsvg-convert -w 256 "$app.svg" | convert - -sample 32x32 "$work/svg.png"
for pair in "lemzor.ico[0] red" "lemzor.ico[1] green" "lemzor.ico[2] mono" "$work/exe.ico[0] red" \
    "$work/exe.ico[1] green" "$work/exe.ico[2] mono" "$app.png red" "$work/svg.png red"; do
    set -- $pair
    # The count of differing pixels comes first: ImageMagick 7.1.2 adds the normalised one after it.
    [ "$(compare -metric AE "$1" "$source/resources/icon-$2.xpm" null: 2>&1 | cut -d' ' -f1)" = 0 ]
done
echo "ok: the Windows program carries version 1.00 and three images; every icon file is pixel-exact"
