# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the benchmarks: a private X server with openbox, and the helpers that
# start the game in it. Everything started here is stopped on exit.

set -euo pipefail

XSESSION_DIR=$(mktemp -d)
XVFB_PID=
OPENBOX_PID=

stop_xsession() {
    [ -n "$OPENBOX_PID" ] && kill "$OPENBOX_PID" 2>/dev/null && wait "$OPENBOX_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    rm -rf "$XSESSION_DIR"
    return 0
}
trap stop_xsession EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Polls a command until it succeeds, every 20 ms, for at most $1 seconds.
wait_for() {
    local seconds=$1
    shift
    local tries=$((seconds * 50))
    until "$@" >/dev/null 2>&1; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.02
    done
}

# Starts Xvfb on a display number it picks itself (-displayfd), so parallel
# tests never clash, then openbox (with the configuration file given, if any;
# "none" for no window manager), and waits until openbox manages windows.
start_xsession() {
    local with_wm=${1:-openbox}
    local wm_args=(--sm-disable)
    if [ -f "$with_wm" ]; then
        wm_args+=(--config-file "$with_wm")
        with_wm=openbox
    fi
    # -noreset: the server would otherwise restart, refusing connections for a
    # moment, each time its last client (the readiness probe) leaves.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$XSESSION_DIR/display" \
        2>"$XSESSION_DIR/xvfb.log" &
    XVFB_PID=$!
    wait_for 10 test -s "$XSESSION_DIR/display" || fail "Xvfb did not start"
    export DISPLAY=":$(head -n1 "$XSESSION_DIR/display")"
    wait_for 10 xdpyinfo || fail "Xvfb on $DISPLAY does not answer"
    export XDG_RUNTIME_DIR="$XSESSION_DIR/runtime"
    mkdir -m 0700 "$XDG_RUNTIME_DIR"
    unset QT_QPA_PLATFORM
    if [ "$with_wm" = openbox ]; then
        openbox "${wm_args[@]}" >"$XSESSION_DIR/openbox.log" 2>&1 &
        OPENBOX_PID=$!
        # openbox announces itself before it manages windows; the active-window
        # support comes last, and a little grace after it.
        wait_for 10 sh -c 'xprop -root _NET_SUPPORTED | grep -q _NET_ACTIVE_WINDOW' ||
            fail "openbox did not start on $DISPLAY: $(cat "$XSESSION_DIR/openbox.log") $(cat "$XSESSION_DIR/xvfb.log")"
        sleep 0.2
    fi
}

# Prints the id of the visible window with exactly this title, waiting for it.
find_window() {
    local title=$1 id=
    for _ in $(seq 500); do
        id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.02
    done
    return 1
}

# Starts $lemzor with any arguments given, dismisses its credit box with Return
# and waits for its window: sets pid and win.
start_and_dismiss() {
    "$lemzor" "$@" 2>"$XSESSION_DIR/lemzor.log" &
    pid=$!
    local box
    box=$(find_window 'Автор') || fail "no credit box"
    xdotool windowactivate --sync "$box" key Return
    win=$(find_window 'Лемзор') || fail "no window after the credit box"
}

