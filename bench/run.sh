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
echo "Start-up: $runs runs of each, alternated" >&2
for i in $(seq "$runs"); do
    "$build/bench/mapwatch" "$build/window/lemzor" >>"$results/x-lemzor"
    "$build/bench/mapwatch" "$build/bench/floor" >>"$results/x-floor"
    for program in lemzor floor; do
        LEMZOR_BENCH_LAUNCH_NS=$(date +%s%N) QT_QPA_PLATFORM=offscreen \
            "$build/bench/${program}_offscreen" >>"$results/off-$program"
    done
done

# column N of a results file, as stats
column() { awk -v n="$2" '{print $n}' "$results/$1" | stats; }

row() { # label, file stem, column, unit
    local label=$1 stem=$2 n=$3 unit=$4
    read -r lm lmin lmax < <(column "$stem-lemzor" "$n")
    read -r fm fmin fmax < <(column "$stem-floor" "$n")
    local ratio
    ratio=$(awk -v a="$lm" -v b="$fm" 'BEGIN {printf "%.3f", a / b}')
    printf "| %-40s | %9s %-3s (%s–%s) | %9s %-3s (%s–%s) | %6s | ≤ 1.05 × floor |\n" \
        "$label" "$lm" "$unit" "$lmin" "$lmax" "$fm" "$unit" "$fmin" "$fmax" "$ratio"
}

echo
echo "| measure | lemzor: median (min–max) | floor: median (min–max) | ratio | target |"
echo "|---|---|---|---|---|"
row "X server: start to credit box shown" x 1 ms
row "X server: box dismissed to window shown" x 2 ms
row "X server: peak resident memory" x 3 KiB
row "offscreen: start to credit box shown" off 1 ms
row "offscreen: box dismissed to window shown" off 2 ms
row "offscreen: peak resident memory" off 3 KiB

read -r median p99 heap resident presses < <(QT_QPA_PLATFORM=offscreen "$build/bench/press")
printf "| %-40s | %9s µs | | | < 200 µs |\n" "offscreen: press to paint, median" "$median"
printf "| %-40s | %9s µs | | | < 1000 µs |\n" "offscreen: press to paint, 99th percentile" "$p99"
printf "| %-40s | %9s KiB heap, %s KiB resident | | | < 256 KiB |\n" \
    "memory growth over 100,000 presses" "$heap" "$resident"

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
