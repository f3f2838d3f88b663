#!/usr/bin/env bash
# IO window under a flood: the IO control window offscreen with its data log on and its history
# shown, connected over UDP to a simulated KB-08-00 (tavrel-sim in its own process) that sends its last
# answer again 1,000 times a second unasked, while an output is switched every 100 ms and its input
# follows. A 1 ms timer records the window thread's lateness ("wall") and its own CPU time between
# two ticks ("busy"), as bench/stall.sh does. Goal: no gap over 16 ms.
# Appends one row to bench/RESULTS.md.   bench/iowindow.sh [BUILD_DIR]   (BENCH_SECONDS, default 10)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.bash
need "$bench_build/src/sim/tavrel-sim" "$bench_build/bench/bench-iowindow"
seconds=${BENCH_SECONDS:-10}
priority=normal
prefix=()
if [ -z "${BENCH_NORMAL_PRIORITY:-}" ] && chrt -f 1 true 2>/dev/null; then
    priority="SCHED_FIFO 1"
    prefix=(chrt -f 1)
fi
port=$(free_port)
start_sim "$bench_work/sim.log" --port "$(free_port)" \
    --io-board "model=KB-08-00,transport=udp,ip=127.0.0.1,port=$port,loopback-io=10ms,flood=1000"
# The flood keeps its rate only if the board gets the processor when its timer is due.
[ ${#prefix[@]} -eq 0 ] || chrt -f -p 1 "$sim_pid" || true
"${prefix[@]}" "$bench_build/bench/bench-iowindow" --udp --board-port "$port" --seconds "$seconds" \
    --log "$bench_work/io.csv" >"$bench_work/window.txt"
# The same without the log and the history, so that their share of any gap shows.
"${prefix[@]}" "$bench_build/bench/bench-iowindow" --udp --board-port "$port" --seconds "$seconds" --bare \
    >"$bench_work/bare.txt"
stop_sim
load=$(load_now)
cat "$bench_work/window.txt"
echo "-- without log and history:"
cat "$bench_work/bare.txt"
read -r _ _ _ _ _ _ bare_max _ bare_p99 _ _ _ _ < <(grep '^phase flood wall' "$bench_work/bare.txt")
rows=$(($(wc -l <"$bench_work/io.csv") - 1))
read -r _ _ _ _ wticks _ wmax _ wp99 _ wp999 _ wover < <(grep '^phase flood wall' "$bench_work/window.txt")
read -r _ _ _ _ _ _ bmax _ bp99 _ _ _ _ < <(grep '^phase flood busy' "$bench_work/window.txt")
read -r _ _ rate _ switches _ active _ _ _ lanes < <(grep '^flood ' "$bench_work/window.txt")
verdict=met
awk -v m="$wmax" 'BEGIN {exit !(m > 16)}' && verdict=missed
[ "$active" = 1 ] || verdict=missed
echo "window at $priority, load $load; log rows in the file: $rows"
echo "goal (no tick later than 16 ms, log on): $verdict"
append_result iowindow "build $bench_build; window at $priority, ${seconds} s, flood ${rate} chunks/s received, $switches switches, log on ($rows rows), history shown ($lanes lanes); wall max/p99/p99.9 $wmax/$wp99/$wp999 ms, over 16 ms: $wover of $wticks ticks; busy max/p99 $bmax/$bp99 ms; without log and history wall max/p99 $bare_max/$bare_p99 ms; load $load; goal $verdict"
