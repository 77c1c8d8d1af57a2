#!/usr/bin/env bash
# An install into a fresh prefix holds exactly the program, its desktop entry,
# its icons and its AppStream metainfo, and the desktop's validators accept them.
set -euo pipefail
export LC_ALL=C.UTF-8
build=$1
app_id=ru.lemzor.Lemzor
fail() { echo "FAIL: $*" >&2; exit 1; }
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
expected="bin/lemzor
share/applications/$app_id.desktop
share/doc/lemzor/changelog.gz
share/doc/lemzor/copyright
share/icons/hicolor/32x32/apps/$app_id.png
share/icons/hicolor/scalable/apps/$app_id.svg
share/man/man6/lemzor.6.gz
share/metainfo/$app_id.metainfo.xml"
found=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort)
[ "$found" = "$expected" ] || fail "installed files differ:$(diff <(echo "$expected") <(echo "$found"))"
echo "ok: the install holds exactly $(wc -l <<<"$found") files"

desktop=$prefix/share/applications/$app_id.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the entry"
for line in "Name=Лемзор" "Icon=$app_id" "Exec=lemzor" "Categories=Game;" "Type=Application"; do
    grep -qxF "$line" "$desktop" || fail "the desktop entry lacks $line"
done
grep -qxP 'Comment=\p{Cyrillic}[\p{Cyrillic}\s,.!?—-]+' "$desktop" || fail "no one-line Russian comment"
echo "ok: desktop entry"

metainfo=$prefix/share/metainfo/$app_id.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metainfo"
for element in "<id>$app_id</id>" "<name>Лемзор</name>" \
    "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "<binary>lemzor</binary>" \
    '<content_rating type="oars-1.1"/>' '<release version="1.00"'; do
    grep -qF "$element" "$metainfo" || fail "the metainfo lacks $element"
done
echo "ok: AppStream metainfo"

# The game's own texts and version reach the installed program.
strings "$prefix/bin/lemzor" | grep -x '1.00' >/dev/null || fail "no version 1.00 in the program"
