#!/usr/bin/env bash
# The icon's three drawn images keep their size and colours, and every icon
# file made from them carries exactly their pixels.
set -euo pipefail
source=$1 built=$2
app_id=ru.lemzor.Lemzor
fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The opaque colours of an image, one #RRGGBB a line.
colours() {
    convert "$1" -alpha on txt:- | awk 'NR > 1 && $3 ~ /^#/ && $3 !~ /00$/ {print substr($3, 1, 7)}' |
        sort -u
}

check_image() {
    local file=$1 most=$2 must=$3
    [ "$(identify -format '%wx%h' "$file")" = 32x32 ] || fail "$file is not 32x32"
    local found
    found=$(colours "$file" | tr '\n' ' ')
    [ "$(wc -w <<<"$found")" -le "$most" ] || fail "$file has more than $most colours: $found"
    for colour in $must; do
        grep -q "$colour" <<<"$found" || fail "$file lacks $colour: $found"
    done
    echo "ok: $(basename "$file"): 32x32, colours $found"
}

check_image "$source/icon-red.xpm" 16 "#000000 #FFFFFF #FF0000"
check_image "$source/icon-green.xpm" 16 "#000000 #FFFFFF #006400"
check_image "$source/icon-mono.xpm" 2 "#000000 #FFFFFF"

same() {
    local metric
    metric=$(compare -metric AE "$1" "$2" null: 2>&1) || true
    [ "$metric" = 0 ] || fail "$1 and $2 differ in $metric pixels"
}

ico=$built/lemzor.ico
[ "$(identify -format '%wx%h %z\n' "$ico" | tr '\n' ';')" = "32x32 4;32x32 4;32x32 1;" ] ||
    fail "lemzor.ico is not three 32x32 images at 4, 4 and 1 bits: $(identify "$ico")"
same "$ico[0]" "$source/icon-red.xpm"
same "$ico[1]" "$source/icon-green.xpm"
same "$ico[2]" "$source/icon-mono.xpm"
echo "ok: lemzor.ico carries the three images at 16, 16 and 2 colours"

same "$built/$app_id.png" "$source/icon-red.xpm"
rsvg-convert "$built/$app_id.svg" -o "$work/svg32.png"
same "$work/svg32.png" "$source/icon-red.xpm"
# Scaled up, the vector icon stays sharp: no colour but the image's own appears.
rsvg-convert -w 256 -h 256 "$built/$app_id.svg" -o "$work/svg256.png"
[ "$(colours "$work/svg256.png" | tr '\n' ' ')" = "$(colours "$source/icon-red.xpm" | tr '\n' ' ')" ] ||
    fail "the SVG blurs at 256 px: $(colours "$work/svg256.png" | wc -l) colours"
echo "ok: the PNG and the SVG carry the first image, sharp at 256 px"
