#!/usr/bin/env bash
# A storm in a real X server: 1,000 presses sent by xdotool in bursts between
# resizes. Afterwards the totals on screen add up to the presses sent: none
# lost, none counted twice. Under openbox's stock click-to-focus binding, or
# closer than a few milliseconds apart, some clicks never reach any window (a
# bare QPushButton misses them too), so openbox runs without mouse bindings
# and the clicks come 8 ms apart: still ten times faster than anyone clicks.
lemzor=$1
source "$(dirname "$0")/xsession.sh"
start_xsession "$(dirname "$0")/openbox-no-click-grab.xml"
bursts=10
per_burst=100

start_and_dismiss
wait_for 5 sh -c "xprop -id $win _NET_FRAME_EXTENTS | grep -q '='" || fail "no frame extents"
sleep 0.2

# Both totals as the screen shows them, read by OCR: "right wrong".
read_totals() {
    import -window "$win" "$XSESSION_DIR/storm.png"
    convert "$XSESSION_DIR/storm.png" -crop 200x34+0+0 +repage \
        -fill white -opaque 'srgb(255,0,0)' -opaque 'srgb(0,255,0)' -colorspace gray \
        -filter point -resize 300% "$XSESSION_DIR/totals.png"
    tesseract "$XSESSION_DIR/totals.png" - -l rus --psm 6 2>/dev/null |
        awk '/[0-9]/ {gsub(/[^0-9]/, ""); totals[++n] = $0} END {print totals[1] + 0, totals[2] + 0}'
}

RANDOM=1206
sent=0
start=$(date +%s.%N)
for burst in $(seq "$bursts"); do
    xdotool windowsize --sync "$win" $((300 + RANDOM % 500)) $((200 + RANDOM % 300))
    read -r width height < <(client_size "$win")
    read -r left right top bottom < <(frame_extents "$win")
    # The buttons' centres, where the layout puts them (15 twips a pixel).
    y=$(((((height + top + bottom) * 15 - 1235) + 7) / 15 + 24))
    xs=(105 $(((((width + left + right) * 15 - 2675) + 7) / 15 + 72)))
    # Runs of one to ten presses of a button picked at random.
    args=()
    left=$per_burst
    while [ "$left" -gt 0 ]; do
        run=$((1 + RANDOM % 10))
        [ "$run" -le "$left" ] || run=$left
        args+=(mousemove --window "$win" "${xs[RANDOM % 2]}" "$y" click --repeat "$run" --delay 8 1)
        left=$((left - run))
    done
    xdotool "${args[@]}"
    sent=$((sent + per_burst))
done
seconds=$(echo "$(date +%s.%N) - $start" | bc)

totals=
for _ in $(seq 20); do
    read -r right wrong < <(read_totals)
    [ $((right + wrong)) -gt "$sent" ] && fail "counted twice: $right + $wrong > $sent"
    [ $((right + wrong)) -eq "$sent" ] && { totals="$right $wrong"; break; }
    sleep 0.5
done
[ -n "$totals" ] || fail "presses lost: the screen shows $right + $wrong of $sent"
echo "ok: $sent presses in $bursts bursts between resizes, sent in ${seconds}s; the screen shows" \
    "Угадано $right + Промахов $wrong = $sent"
kill "$pid"
