#!/usr/bin/env bash
# io-test overhead: tavrel-cli io-test plays 100 switch-and-expect pairs ("switch N on|off", then
# "expect input N on|off within 1s") against a simulated KB-08-00 (tavrel-sim in its own process,
# TCP on loopback) whose input n follows output n after 10 ms, in either protocol. Per pair, the
# overhead is the two steps' time minus the board's own 10 ms. Goal: under 2 ms per pair (median).
# Appends one row to bench/RESULTS.md.   bench/iotest.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.bash
need "$bench_build/src/sim/tavrel-sim" "$bench_build/src/cli/tavrel-cli"
delay_ms=10
pairs=100

tcp_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

row=()
verdict=met
for protocol in custom modbus; do
    port=$(tcp_port)
    start_sim "$bench_work/sim.log" --port "$(free_port)" \
        --io-board "model=KB-08-00,protocol=$protocol,ip=127.0.0.1,port=$port,loopback-io=${delay_ms}ms"
    script="$bench_work/pairs.txt"
    {
        echo "connect tcp 127.0.0.1:$port $protocol"
        for i in $(seq 0 $((pairs - 1))); do
            n=$((i % 8 + 1))
            state=$([ $(((i / 8) % 2)) -eq 0 ] && echo on || echo off)
            echo "switch $n $state"
            echo "expect input $n $state within 1s"
        done
    } >"$script"
    "$bench_build/src/cli/tavrel-cli" io-test "$script" --json >"$bench_work/report.json" || true
    stop_sim
    load=$(load_now)
    figures=$(python3 - "$bench_work/report.json" "$delay_ms" <<'PY'
import json, statistics, sys
report = json.load(open(sys.argv[1]))
delay = float(sys.argv[2])
steps = report["steps"][1:]
pairs = [steps[i]["ms"] + steps[i + 1]["ms"] for i in range(0, len(steps) - 1, 2)]
over = sorted(p - delay for p in pairs)
print(f'{report["passed"]} {report["failed"]} {statistics.median(over):.2f} {statistics.mean(over):.2f} '
      f'{over[int(0.9 * (len(over) - 1))]:.2f} {over[-1]:.2f} {statistics.median(pairs):.2f}')
PY
)
    read -r passed failed median mean p90 max pair <<<"$figures"
    echo "-- $protocol (load $load): $passed passed, $failed failed; pair median $pair ms;" \
        "overhead per pair median $median, mean $mean, p90 $p90, max $max ms"
    [ "$failed" = 0 ] || verdict=missed
    awk -v m="$median" 'BEGIN {exit !(m >= 2)}' && verdict=missed
    row+=("$protocol: $passed/$((passed + failed)) steps passed, pair median $pair ms, overhead median/mean/p90/max $median/$mean/$p90/$max ms; load $load")
done
echo "goal (every step passes, median overhead per pair < 2 ms): $verdict"
append_result iotest "build $bench_build; $pairs switch-and-expect pairs, board delay $delay_ms ms, TCP loopback; $(IFS='|'; echo "${row[*]}" | sed 's/|/; /g'); goal $verdict"
