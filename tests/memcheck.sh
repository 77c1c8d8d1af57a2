#!/usr/bin/env bash
# valgrind's memcheck over a short game on Qt's offscreen platform: no invalid
# read or write anywhere, and no block definitely lost from our own code.
set -euo pipefail
test_window=$1
log=$(mktemp)
trap 'rm -f "$log"' EXIT
QT_QPA_PLATFORM=offscreen valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite \
    --num-callers=40 --log-file="$log" "$test_window" pressPaintsAndScores systemRepaintErasesTextOnly \
    >/dev/null 2>&1 || { echo "FAIL: the game failed under valgrind"; tail -40 "$log"; exit 1; }
if grep -qE 'Invalid (read|write)|uninitialised|Mismatched free|Invalid free' "$log"; then
    echo "FAIL: memory errors:"
    grep -A25 -E 'Invalid (read|write)|uninitialised|Mismatched free|Invalid free' "$log" | head -60
    exit 1
fi
# One leak record a paragraph; ours are those whose stack passes through our code.
ours=$(awk -v RS= '/definitely lost in loss record/ && /(runtime|game)::|Main::|fixture::/' "$log")
[ -z "$ours" ] || { echo "FAIL: definite leaks from our code:"; echo "$ours"; exit 1; }
echo "ok: $(grep -E 'ERROR SUMMARY' "$log" | sed 's/==[0-9]*== //')"
grep -E 'definitely lost:' "$log" | sed 's/==[0-9]*== */ok: toolkit /' || true
