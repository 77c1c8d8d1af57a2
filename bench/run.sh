#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every benchmark and prints the table: lemzor against the toolkit's floor
# (bench/floor.cpp), start-up and memory in a real X server (Xvfb and openbox)
# and on Qt's offscreen platform, press to paint, memory growth, and idle cost.
build=${1:-build}
# Both programs talk to one private session bus, as on a desktop; without one
# the floor would start a bus daemon of its own that outlives the bench.
if [ -z "${LEMZOR_SESSION_BUS:-}" ]; then
    LEMZOR_SESSION_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi
runs=${RUNS:-40}
source "$(dirname "$0")/xsession.sh"
start_xsession
export QT_LOGGING_RULES="*.warning=false"

# median, min-max, of whitespace-separated numbers on stdin
stats() { sort -n | awk '{v[NR] = $1} END {m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2;
    printf "%.2f %.2f %.2f\n", m, v[1], v[NR]}'; }

results=$XSESSION_DIR/results
mkdir -p "$results"
# The peers in other toolkits, where they were built.
peers=()
for peer in peer_gtk peer_fltk; do
    [ -x "$build/bench/$peer" ] && peers+=("$peer")
done
echo "Start-up: $runs runs of each, alternated" >&2
for i in $(seq "$runs"); do
    "$build/bench/mapwatch" "$build/window/lemzor" >>"$results/x-lemzor"
    "$build/bench/mapwatch" "$build/bench/floor" >>"$results/x-floor"
    for peer in "${peers[@]}"; do
        "$build/bench/mapwatch" "$build/bench/$peer" >>"$results/x-$peer"
    done
    for program in lemzor floor; do
        LEMZOR_BENCH_LAUNCH_NS=$(date +%s%N) QT_QPA_PLATFORM=offscreen \
            "$build/bench/${program}_offscreen" >>"$results/off-$program"
    done
done

# column N of a results file, as stats
column() { awk -v n="$2" '{print $n}' "$results/$1" | stats; }

row() { # label, file stem, column, unit, program, target
    local label=$1 stem=$2 n=$3 unit=$4 program=$5 target=${6:-}
    read -r lm lmin lmax < <(column "$stem-$program" "$n")
    read -r fm fmin fmax < <(column "$stem-floor" "$n")
    local ratio
    ratio=$(awk -v a="$lm" -v b="$fm" 'BEGIN {printf "%.3f", a / b}')
    printf "| %-40s | %9s %-3s (%s–%s) | %9s %-3s (%s–%s) | %6s | %s |\n" \
        "$label" "$lm" "$unit" "$lmin" "$lmax" "$fm" "$unit" "$fmin" "$fmax" "$ratio" "$target"
}

echo
echo "| measure | program: median (min–max) | Qt floor: median (min–max) | ratio | target |"
echo "|---|---|---|---|---|"
row "X server: start to credit box shown" x 1 ms lemzor "≤ 0.88 × floor, ≤ GTK 3"
row "X server: box dismissed to window shown" x 2 ms lemzor "≤ 1.0 × floor"
row "X server: peak resident memory" x 3 KiB lemzor "≤ 0.97 × floor"
for peer in "${peers[@]}"; do
    row "X server: start to box, $peer" x 1 ms "$peer"
    row "X server: box to window, $peer" x 2 ms "$peer"
    row "X server: peak memory, $peer" x 3 KiB "$peer"
done
row "offscreen: start to credit box shown" off 1 ms lemzor
row "offscreen: box dismissed to window shown" off 2 ms lemzor
row "offscreen: peak resident memory" off 3 KiB lemzor

# Press to paint moves with the machine's load: five runs, the median of their medians and the spread.
for i in 1 2 3 4 5; do
    QT_QPA_PLATFORM=offscreen "$build/bench/press" >>"$results/press"
done
read -r median mmin mmax < <(awk '{print $1}' "$results/press" | stats)
read -r _ p99 heap resident presses < <(tail -n 1 "$results/press")
printf "| %-40s | %9s µs (%s–%s) | | | < 200 µs |\n" "offscreen: press to paint, median of 5" "$median" "$mmin" "$mmax"
printf "| %-40s | %9s µs | | | < 1000 µs |\n" "offscreen: press to paint, 99th percentile" "$p99"
printf "| %-40s | %9s KiB heap, %s KiB resident | | | < 256 KiB |\n" \
    "memory growth over 100,000 presses" "$heap" "$resident"
# PRESS_BASELINE=OTHER_BUILD/bench/press: five more runs of each, alternated with that build's.
if [ -n "${PRESS_BASELINE:-}" ]; then
    for i in 1 2 3 4 5; do
        QT_QPA_PLATFORM=offscreen "$PRESS_BASELINE" >>"$results/press-baseline"
        QT_QPA_PLATFORM=offscreen "$build/bench/press" >>"$results/press-alternated"
    done
    read -r am _ < <(awk '{print $1}' "$results/press-alternated" | stats)
    read -r bm bmin bmax < <(awk '{print $1}' "$results/press-baseline" | stats)
    printf "| %-40s | %9s µs | %9s µs (%s–%s) | %6s | ≤ 0.85 × baseline |\n" "offscreen: press to paint, alternated" \
        "$am" "$bm" "$bmin" "$bmax" "$(awk -v a="$am" -v b="$bm" 'BEGIN {printf "%.3f", a / b}')"
fi

# Idle: context switches of all the game's threads over 10 quiet seconds.
switches() { cat /proc/"$1"/task/*/status | awk '/ctxt_switches/ {s += $2} END {print s}'; }
lemzor=$build/window/lemzor
start_and_dismiss
sleep 1
before=$(switches "$pid")
sleep 10
after=$(switches "$pid")
kill "$pid"
printf "| %-40s | %9s | | | 0 |\n" "X server: wake-ups in 10 idle seconds" "$((after - before))"
echo
echo "Machine: $(nproc) cores, $(awk '/model name/ {$1 = $2 = $3 = ""; print; exit}' /proc/cpuinfo | sed 's/^ *//'), $(free -g | awk '/Mem:/ {print $2}') GiB; $(uname -sr); Qt $(dpkg-query -W -f='${Version}' libqt6widgets6)"
