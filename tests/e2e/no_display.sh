#!/usr/bin/env bash
# Without a display the program says so in one Russian line and ends with status 1.
set -uo pipefail
lemzor=$1
log=$(mktemp)
trap 'rm -f "$log"' EXIT

expect_report() {
    local what=$1 pattern=$2
    shift 2
    "$@" "$lemzor" >/dev/null 2>"$log" </dev/null
    local status=$?
    [ "$status" -eq 1 ] || { echo "FAIL: $what: exit status $status"; cat "$log"; exit 1; }
    [ "$(wc -l <"$log")" -eq 1 ] || { echo "FAIL: $what: not one line:"; cat "$log"; exit 1; }
    grep -qx "Лемзор: ошибка выполнения: $pattern" "$log" ||
        { echo "FAIL: $what: $(cat "$log")"; exit 1; }
    echo "ok: $what: $(cat "$log")"
}

# A display number with no server: no socket and no lock file for it.
free=200
while [ -e "/tmp/.X11-unix/X$free" ] || [ -e "/tmp/.X$free-lock" ]; do free=$((free + 1)); done

expect_report "DISPLAY unset" 'не удалось открыть окно (переменная DISPLAY не задана).' \
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM
expect_report "no server on :$free" "не удалось открыть окно (дисплей «:$free» не отвечает)." \
    env -u QT_QPA_PLATFORM DISPLAY=":$free"
