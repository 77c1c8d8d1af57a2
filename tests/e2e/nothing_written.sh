#!/usr/bin/env bash
# A short game under strace, with a fresh empty home: the program creates,
# writes, renames and removes no file, and connects to nothing but its display.
lemzor=$1
source "$(dirname "$0")/xsession.sh"
start_xsession
home=$XSESSION_DIR/home
mkdir -p "$home"
trace=$XSESSION_DIR/trace

# Only what a desktop session would hand it; no session bus.
env -i LANG=C.UTF-8 PATH=/usr/bin:/bin DISPLAY="$DISPLAY" HOME="$home" \
    XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" XDG_CONFIG_HOME="$home/.config" \
    XDG_CACHE_HOME="$home/.cache" XDG_DATA_HOME="$home/.local/share" \
    strace -f -qq -o "$trace" -e trace=%file,%network -e signal=none "$lemzor" &
pid=$!
box=$(find_window 'Автор') || fail "no credit box"
xdotool windowactivate --sync "$box" key Return
win=$(find_window 'Лемзор') || fail "no window"
for x in 40 340 40 340; do
    xdotool mousemove --window "$win" "$x" 200 click 1
done
close_window "$win"
wait_for 10 ended "$pid" || fail "the program did not end"
wait "$pid" || fail "the program ended with status $?"

# Calls that succeeded in changing the file system. Qt makes sure its runtime
# directory exists (mkdir, EEXIST here): asking is not writing.
changes=$(grep -E '(open|openat|creat|mkdir|mkdirat|rename|renameat2?|unlink|unlinkat|rmdir|link|linkat|symlink|symlinkat|truncate|chmod|fchmodat|utimensat)\(' "$trace" |
    grep -E 'O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|^[0-9]+ +(creat|mkdir|mkdirat|rename|unlink|rmdir|link|symlink|truncate|chmod|fchmodat|utimensat)' |
    grep -v ' = -1 ' || true)
[ -z "$changes" ] || fail "the program changed files:
$changes"
[ -z "$(find "$home" -mindepth 1)" ] || fail "files appeared in the home: $(find "$home" -mindepth 1)"
[ -z "$(find "$XDG_RUNTIME_DIR" -mindepth 1)" ] || fail "files appeared in XDG_RUNTIME_DIR"

display_socket="/tmp/.X11-unix/X${DISPLAY#:}"
others=$(grep -E 'connect\(' "$trace" | grep -v ' = -1 ' | grep -vF "\"$display_socket\"" |
    grep -vF "@\"$display_socket\"" || true)
[ -z "$others" ] || fail "the program connected to more than its display:
$others"
echo "ok: $(grep -c . "$trace") file and network calls traced; nothing written, one connection: $display_socket"
