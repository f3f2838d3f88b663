#!/usr/bin/env bash
# Discovery under loss: `tavrel-cli --json search` against 16 simulated eight-port serial servers that
# lose a share of every reply at random, search replies included (tavrel-sim loss=P,seed=N), 30 seeded
# runs per share. Prints the device-runs found and complete, and the wall times against the median of
# the same search without loss. Goal at 33%: at least 99% of device-runs found and complete, each run
# within 2x the loss-free time. Appends one row to bench/RESULTS.md.
#   bench/loss.sh [BUILD_DIR] [PERCENT...]   (default build/release; 33 10 50)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.bash
shift || true
shares=("$@")
[ ${#shares[@]} -gt 0 ] || shares=(33 10 50)
devices=16
runs=${BENCH_LOSS_RUNS:-30}
cli="$bench_build/src/cli/tavrel-cli"
need "$cli" "$bench_build/src/sim/tavrel-sim" python3

median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

echo "load before: $(load_now)"
clean=()
for run in 1 2 3 4 5; do
    read -r wall found complete < <(timed_search "kind=serial,ports=8,count=$devices")
    [ "$found" = "$devices" ] && [ "$complete" = "$devices" ] ||
        echo "loss-free run $run: found $found, complete $complete" >&2
    clean+=("$wall")
done
base_ms=$(printf '%s\n' "${clean[@]}" | median)
printf 'loss-free: median %.2f s over %d runs\n' "$(awk -v m="$base_ms" 'BEGIN {print m / 1000}')" "${#clean[@]}"
figures=("$devices 8-port devices, $runs seeded runs per share; loss-free median $(awk -v m="$base_ms" 'BEGIN {printf "%.2f", m / 1000}') s")

for share in "${shares[@]}"; do
    walls=()
    found_all=0
    whole=0
    slow=0
    for seed in $(seq "$runs"); do
        read -r wall found complete < <(timed_search "kind=serial,ports=8,count=$devices,loss=$share,seed=$seed")
        walls+=("$wall")
        found_all=$((found_all + found))
        whole=$((whole + complete))
        awk -v w="$wall" -v b="$base_ms" 'BEGIN {exit !(w > 2 * b)}' && slow=$((slow + 1))
    done
    total=$((devices * runs))
    med=$(printf '%s\n' "${walls[@]}" | median)
    max=$(printf '%s\n' "${walls[@]}" | sort -n | tail -n 1)
    line=$(awk -v s="$share" -v f="$found_all" -v c="$whole" -v t="$total" -v m="$med" -v x="$max" \
        -v b="$base_ms" -v slow="$slow" -v runs="$runs" \
        'BEGIN {printf "%d%% loss: found %d/%d (%.1f%%), found and complete %d/%d (%.1f%%); time median %.2f s (%.2fx), max %.2f s (%.2fx); runs over 2x %d/%d",
                s, f, t, 100 * f / t, c, t, 100 * c / t, m / 1000, m / b, x / 1000, x / b, slow, runs}')
    echo "$line"
    figures+=("$line")
done
load=$(load_now)
echo "load after: $load"
append_result loss "$(printf '%s; ' "${figures[@]}")load $load"
