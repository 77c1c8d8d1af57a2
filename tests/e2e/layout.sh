#!/usr/bin/env bash
# The buttons stand at the window's bottom corners from the first display on,
# by the margin of 500 twips measured against the outer size that the window
# manager reports, and follow a resize.
lemzor=$1
source "$(dirname "$0")/xsession.sh"
start_xsession

# 96 DPI on Xvfb: 15 twips a pixel.
expected_places() {
    local width=$1 height=$2 left right top bottom
    read -r left right top bottom < <(frame_extents "$win")
    awk -v W=$((width + left + right)) -v H=$((height + top + bottom)) 'BEGIN {
        t = 15; top = (H * t - 500 - 735) / t
        printf "%d %d %d %d\n", int(500 / t + 0.5), int(top + 0.5), int((W * t - 500 - 2175) / t + 0.5), int(top + 0.5)
    }'
}

# Left and top of the two areas that are neither pure red nor pure green, big
# enough to be buttons, from left to right.
found_places() {
    import -window "$win" "$XSESSION_DIR/layout.png"
    convert "$XSESSION_DIR/layout.png" -fill black -opaque 'srgb(255,0,0)' -opaque 'srgb(0,255,0)' \
        -fill white +opaque black -define connected-components:verbose=true \
        -connected-components 8 null: |
        awk '$NF == "srgb(255,255,255)" && $4 > 3000 { split($2, g, /[x+]/); print g[3], g[4], g[1], g[2] }' |
        sort -n | awk '{ printf "%s %s ", $1, $2; sizes = sizes $3 "x" $4 " " } END { print "|", sizes }'
}

check_places() {
    local what=$1 width height want got sizes
    read -r width height < <(client_size "$win")
    want=$(expected_places "$width" "$height")
    # A guess paints the background pure red or green around the buttons.
    xdotool mousemove --window "$win" $(($(cut -d' ' -f1 <<<"$want") + 10)) \
        $(($(cut -d' ' -f2 <<<"$want") + 10)) click 1
    sleep 0.2
    got=$(found_places)
    sizes=${got#*| }
    got=${got% |*}
    echo "$what: client ${width}x${height}, frame $(frame_extents "$win"): want $want, found $got ($sizes)"
    [ "$sizes" = "145x49 145x49 " ] || fail "$what: buttons are not both 145x49 px"
    local i w g
    read -ra w <<<"$want"
    read -ra g <<<"$got"
    for i in 0 1 2 3; do
        [ "${g[i]:-x}" != x ] || fail "$what: buttons not found"
        [ $((g[i] - w[i])) -le 1 ] && [ $((w[i] - g[i])) -le 1 ] || fail "$what: off by more than a pixel"
    done
}

start_and_dismiss
wait_for 5 sh -c "xprop -id $win _NET_FRAME_EXTENTS | grep -q '='" || fail "no frame extents"
sleep 0.2

check_places "first display"
xdotool windowsize --sync "$win" 520 330
check_places "after a resize"
xdotool windowsize --sync "$win" 400 200
check_places "after a second resize"

kill "$pid"
