#!/usr/bin/env bash
# Start-up: tavrel-cli from exec to its first search datagram, and the main window from exec to its
# first paint (offscreen), ten runs each. Appends one row to bench/RESULTS.md.
#   bench/startup.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.bash
runs=10
need "$bench_build/src/cli/tavrel-cli" "$bench_build/bench/bench-window" python3

read -r c_min c_med c_max <<<"$(python3 bench/startup_probe.py cli "$bench_build" "$runs")"
read -r w_min w_med w_max <<<"$(python3 bench/startup_probe.py window "$bench_build" "$runs")"
load=$(load_now)
echo "exec to first search datagram (tavrel-cli): $c_min / $c_med / $c_max ms (min/median/max)"
echo "exec to first paint (window, offscreen):     $w_min / $w_med / $w_max ms"
echo "load: $load"
append_result startup "$runs runs, min/median/max: CLI exec to first search datagram $c_min/$c_med/$c_max ms; window exec to first paint $w_min/$w_med/$w_max ms; load $load"
