#!/usr/bin/env bash
# Plays a short game as a person would: dismisses the credit box, presses both
# buttons, looks at the window, and closes it.
lemzor=$1
source "$(dirname "$0")/xsession.sh"
start_xsession

"$lemzor" 2>"$XSESSION_DIR/lemzor.log" &
pid=$!

box=$(find_window 'Автор') || fail "no credit box"
window_gone 'Лемзор' || fail "the window came before the credit box was dismissed"
xdotool windowactivate --sync "$box" key Return
wait_for 10 window_gone 'Автор' || fail "Return did not dismiss the credit box"

win=$(find_window 'Лемзор') || fail "no main window after the credit box"
read -r width height < <(client_size "$win")
[ "$width" -eq 380 ] && [ "$height" -eq 238 ] || fail "client area is ${width}x${height}, not 380x238"

before=$(pixel "$win" 190 60)
case "$before" in
    "srgb(0,255,0)" | "srgb(255,0,0)") fail "background is $before before the first guess" ;;
esac

read -r _ right _ bottom < <(frame_extents "$win")
greenX=40
redX=$((width - 40))
buttonY=$((height - 40))
for round in 1 2 3 4; do
    for x in $greenX $redX; do
        xdotool mousemove --window "$win" "$x" "$buttonY" click 1
        sleep 0.15
        colour=$(pixel "$win" 190 60)
        case "$colour" in
            "srgb(0,255,0)" | "srgb(255,0,0)") ;;
            *) fail "press $round at x=$x left the background $colour" ;;
        esac
        # The top-left corner holds the score text: some pixel there is not background.
        text=$(convert "$XSESSION_DIR/shot.png" -crop 120x30+0+0 -format '%k' info:)
        [ "$text" -gt 1 ] || fail "no score text after press $round at x=$x"
    done
done

close_window "$win"
wait_for 10 ended "$pid" || fail "the program did not end when its window closed"
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status: $(cat "$XSESSION_DIR/lemzor.log")"
echo "played 8 guesses; frame $right/$bottom; exit status 0"
