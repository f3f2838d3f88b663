#!/usr/bin/env bash
# Discovery at scale: `tavrel-cli --json search` against 1, 16, 64 and 256 simulated eight-port
# serial servers. Prints wall time, devices found and devices read out completely, and the ratio of
# the wall time to the serial schedule (every read-out plan's gaps, device after device, as
# bench-schedule computes them from the core's plans). Appends one row to bench/RESULTS.md.
#   bench/discovery.sh [BUILD_DIR] [COUNTS...]   (default build/release; 1 16 64 256)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.bash
shift || true
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(1 16 64 256)
cli="$bench_build/src/cli/tavrel-cli"
need "$cli" "$bench_build/src/sim/tavrel-sim" "$bench_build/bench/bench-schedule" python3

figures=()
echo "load before: $(load_now)"
for n in "${counts[@]}"; do
    description="kind=serial,ports=8,count=$n"
    serial_ms=$("$bench_build/bench/bench-schedule" "$description" | awk '{print $NF}')
    read -r wall_ms found complete < <(timed_search "$description")
    ratio=$(awk -v w="$wall_ms" -v s="$serial_ms" 'BEGIN {printf "%.3f", w / s}')
    printf '%4d devices: %6.2f s, found %d, complete %d; serial schedule %.2f s, ratio %s\n' \
        "$n" "$(awk -v w="$wall_ms" 'BEGIN {print w / 1000}')" "$found" "$complete" \
        "$(awk -v s="$serial_ms" 'BEGIN {print s / 1000}')" "$ratio"
    figures+=("$n: $(awk -v w="$wall_ms" 'BEGIN {printf "%.2f", w / 1000}') s, $found found, $complete complete, serial $(awk -v s="$serial_ms" 'BEGIN {printf "%.1f", s / 1000}') s, ratio $ratio")
done
load=$(load_now)
echo "load after: $load"
append_result discovery "8-port devices; $(IFS=';'; echo "${figures[*]}" | sed 's/;/; /g'); load $load"
