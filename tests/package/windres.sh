#!/usr/bin/env bash
# The Windows resource script compiles, carrying the three icon images and the
# version record of a Russian program.
set -euo pipefail
built=$1
fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$built"
# The host's preprocessor serves: the script includes no Windows header.
x86_64-w64-mingw32-windres --preprocessor=cpp -i lemzor.rc -O res -o "$work/lemzor.res"
x86_64-w64-mingw32-windres -J res -i "$work/lemzor.res" -O rc -o "$work/decompiled.rc"
grep -q 'Has 3 elements' "$work/decompiled.rc" || fail "the icon group does not hold three images"
for line in 'FILEVERSION 1, 0, 0, 0' 'VALUE "FileVersion", "1.00"' 'VALUE "ProductVersion", "1.00"' \
    'VALUE "ProductName", L"\x041b\x0435\x043c\x0437\x043e\x0440"' 'VALUE "Translation", 0x419, 1200'; do
    grep -qF "$line" "$work/decompiled.rc" || fail "the version record lacks $line"
done
echo "ok: lemzor.rc compiles with three icon images and version 1.00 of «Лемзор»"
