#!/usr/bin/env bash
# Memory: the window's resident set idle with 256 devices listed (offscreen, after search and
# read-out), and tavrel-cli's peak resident set while it uploads a 30 MiB image to a simulated
# device. Goal for the upload: at most the image size + 20 MiB. Appends one row to bench/RESULTS.md.
#   bench/memory.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.bash
need "$bench_build/src/sim/tavrel-sim" "$bench_build/bench/bench-window" "$bench_build/src/cli/tavrel-cli" /usr/bin/time
image_bytes=31457280

port=$(free_port)
start_sim "$bench_work/sim.log" --port "$port" --device "kind=serial,ports=8,count=256"
"$bench_build/bench/bench-window" --device-port "$port" --devices 256 --idle-ms 3000 >"$bench_work/window.txt"
stop_sim
read -r rows rss hwm < <(awk '/^memory/ {print $3, $5, $7}' "$bench_work/window.txt")
grep -q '^search .* complete 1' "$bench_work/window.txt" || { echo "the window did not read out 256 devices" >&2; exit 1; }

head -c "$image_bytes" /dev/urandom >"$bench_work/image.bin"
port=$(free_port)
tftp=$(free_port)
start_sim "$bench_work/sim.log" --port "$port" --tftp-port "$tftp" --device "kind=serial,ports=8"
/usr/bin/time -v -o "$bench_work/time.txt" "$bench_build/src/cli/tavrel-cli" --local-port 0 \
    --device-port "$port" --tftp-port "$tftp" upgrade "$bench_work/image.bin" --target 127.0.0.2 \
    >"$bench_work/upgrade.txt" 2>&1 || { cat "$bench_work/upgrade.txt" >&2; exit 1; }
stop_sim
grep -q "$(sha256sum "$bench_work/image.bin" | cut -c1-64)" "$bench_work/sim.log" ||
    { echo "the simulated device did not receive the image intact" >&2; cat "$bench_work/sim.log" >&2; exit 1; }
cli_kib=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$bench_work/time.txt")

mib() { awk -v k="$1" 'BEGIN {printf "%.1f", k / 1024}'; }
limit=$(awk -v b="$image_bytes" 'BEGIN {printf "%.1f", b / 1048576 + 20}')
verdict=$(awk -v k="$cli_kib" -v l="$limit" 'BEGIN {print (k / 1024 <= l) ? "met" : "missed"}')
load=$(load_now)
echo "window idle, $rows devices listed: RSS $(mib "$rss") MiB (peak $(mib "$hwm") MiB)"
echo "tavrel-cli uploading 30 MiB: peak RSS $(mib "$cli_kib") MiB (goal <= $limit MiB: $verdict)"
echo "load: $load"
append_result memory "window idle with $rows devices: RSS $(mib "$rss") MiB, peak $(mib "$hwm") MiB; CLI 30 MiB upload to a simulated device: peak RSS $(mib "$cli_kib") MiB (limit $limit, $verdict); load $load"
