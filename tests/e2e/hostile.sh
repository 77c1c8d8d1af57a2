#!/usr/bin/env bash
# Hostile surroundings, each with a clear outcome and never a core dump: no
# display, a display nobody serves, an unknown platform, unknown arguments,
# SIGTERM at each stage, and the X server going away under the window.
lemzor=$1
source "$(dirname "$0")/xsession.sh"
export LC_ALL=C.UTF-8
log=$XSESSION_DIR/lemzor.log

# Runs the program to its end; checks the status and that the report is one line.
expect_report() {
    local what=$1 report=$2
    shift 2
    local status=0
    "$@" "$lemzor" >/dev/null 2>"$log" </dev/null || status=$?
    [ "$status" -eq 1 ] || fail "$what: exit status $status, not 1: $(cat "$log")"
    [ "$(cat "$log")" = "Лемзор: ошибка выполнения: $report" ] || fail "$what: reported '$(cat "$log")'"
    echo "ok: $what: status 1, «$(cat "$log")»"
}

free=200
while [ -e "/tmp/.X11-unix/X$free" ] || [ -e "/tmp/.X$free-lock" ]; do free=$((free + 1)); done
expect_report "DISPLAY unset" 'не удалось открыть окно (переменная DISPLAY не задана).' \
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM
expect_report "no server on :$free" "не удалось открыть окно (дисплей «:$free» не отвечает)." \
    env -u QT_QPA_PLATFORM DISPLAY=":$free"
expect_report "unknown platform" 'не удалось открыть окно (платформа «nonesuch» недоступна).' \
    env QT_QPA_PLATFORM=nonesuch

start_xsession

# Starts the program with these arguments and waits for its credit box.
start_game() {
    "$lemzor" "$@" 2>"$log" &
    pid=$!
    box=$(find_window 'Автор') || fail "no credit box (arguments: $*)"
}

# Waits for the program to end and sets status to its exit status.
await_end() {
    wait_for 10 ended "$pid" || fail "the program did not end"
    status=0
    wait "$pid" || status=$?
}

start_and_dismiss --frobnicate -x bar
close_window "$win"
await_end
[ "$status" -eq 0 ] || fail "unknown arguments: status $status: $(cat "$log")"
echo "ok: unknown arguments are ignored: played and ended with status 0"

start_game
kill -TERM "$pid"
await_end
[ "$status" -eq 143 ] && [ ! -s "$log" ] || fail "SIGTERM at the credit box: status $status: $(cat "$log")"
echo "ok: SIGTERM at the credit box ends it at once, silently (status 143)"

start_and_dismiss
kill -TERM "$pid"
await_end
[ "$status" -eq 143 ] && [ ! -s "$log" ] || fail "SIGTERM at the window: status $status: $(cat "$log")"
echo "ok: SIGTERM at the window ends it at once, silently (status 143)"

start_and_dismiss
kill "$OPENBOX_PID" "$XVFB_PID"
wait "$OPENBOX_PID" "$XVFB_PID" 2>/dev/null || true
OPENBOX_PID= XVFB_PID=
await_end
[ "$status" -eq 1 ] && [ "$(cat "$log")" = "Лемзор: ошибка выполнения: связь с дисплеем потеряна." ] ||
    fail "X server gone: status $status: $(cat "$log")"
echo "ok: the X server going away ends it with status 1, «$(cat "$log")»"
