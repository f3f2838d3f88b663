#!/usr/bin/env bash
# Firmware upload speed: a 30 MiB image to tftpd-hpa on a loopback port, with tavrel-cli and with the
# tftp-hpa client, alternating, five runs each. Prints min/median/max, the ratio of the medians
# (goal: at most 1.0) and the CLI's peak RSS (goal: at most the image size + 20 MiB), and appends
# one row to bench/RESULTS.md.
#   bench/firmware.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
cli="$build/src/cli/tavrel-cli"
runs=5
image_bytes=31457280
[ -x "$cli" ] || { echo "no $cli: build the release preset first" >&2; exit 1; }
for tool in /usr/sbin/in.tftpd /usr/bin/tftp /usr/bin/time python3; do
    command -v "$tool" >/dev/null || { echo "missing $tool (./dev.sh bench installs it)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-bench.XXXXXX")
server_pid=""
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/root"
chmod 0777 "$work/root"  # the server drops to an unprivileged user when started as root
head -c "$image_bytes" /dev/urandom >"$work/image.bin"

# Nothing leaves loopback: the server listens on 127.0.0.1 at a port free right now.
port=$(python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
/usr/sbin/in.tftpd -L -c -s "$work/root" -a "127.0.0.1:$port" &
server_pid=$!
sleep 0.3
kill -0 "$server_pid" || { echo "in.tftpd did not start" >&2; exit 1; }

export TAVREL_BROADCAST=127.255.255.255
now() { date +%s.%N; }
ours=() theirs=() rss=()
for i in $(seq "$runs"); do
    rm -f "$work/root/image.bin"
    /usr/bin/time -v -o "$work/time.txt" "$cli" --tftp-port "$port" upgrade "$work/image.bin" \
        --target 127.0.0.1 >"$work/out.txt" 2>"$work/err.txt" || { cat "$work/err.txt" >&2; exit 1; }
    ours+=("$(awk -F': ' '/Elapsed \(wall clock\)/ {n=split($2,t,":"); s=0; for(i=1;i<=n;i++) s=s*60+t[i]; print s}' "$work/time.txt")")
    rss+=("$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")")
    cmp -s "$work/image.bin" "$work/root/image.bin" || { echo "run $i: stored file differs (ours)" >&2; exit 1; }

    rm -f "$work/root/image.bin"
    start=$(now)
    (cd "$work" && tftp -m binary 127.0.0.1 "$port" -c put image.bin) >/dev/null
    theirs+=("$(awk -v a="$start" -v b="$(now)" 'BEGIN {printf "%.3f", b - a}')")
    cmp -s "$work/image.bin" "$work/root/image.bin" || { echo "run $i: stored file differs (tftp-hpa)" >&2; exit 1; }
done

stats() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {printf "%.3f %.3f %.3f", v[1], v[int((NR+1)/2)], v[NR]}'; }
read -r o_min o_med o_max <<<"$(stats "${ours[@]}")"
read -r t_min t_med t_max <<<"$(stats "${theirs[@]}")"
ratio=$(awk -v a="$o_med" -v b="$t_med" 'BEGIN {printf "%.2f", a / b}')
peak_kib=$(printf '%s\n' "${rss[@]}" | sort -n | tail -1)
peak_mib=$(awk -v k="$peak_kib" 'BEGIN {printf "%.1f", k / 1024}')
limit_mib=$(awk -v b="$image_bytes" 'BEGIN {printf "%.1f", b / 1048576 + 20}')

echo "30 MiB to in.tftpd on loopback, $runs runs each (seconds, min/median/max):"
echo "  tavrel-cli  $o_min / $o_med / $o_max"
echo "  tftp-hpa    $t_min / $t_med / $t_max"
echo "  ratio ours/theirs (medians): $ratio (goal <= 1.0)"
echo "  peak RSS of tavrel-cli: $peak_mib MiB (goal <= $limit_mib MiB)"

results=bench/RESULTS.md
if [ ! -f "$results" ]; then
    {
        echo "# Benchmark results"
        echo
        echo "One row per run of \`./dev.sh bench NAME\`."
        echo
        echo "| date (UTC) | benchmark | nproc | figures |"
        echo "|---|---|---|---|"
    } >"$results"
fi
echo "| $(date -u +%Y-%m-%dT%H:%MZ) | firmware | $(nproc) | 30 MiB, $runs runs: ours $o_min/$o_med/$o_max s, tftp-hpa $t_min/$t_med/$t_max s (min/median/max), ratio $ratio; peak RSS $peak_mib MiB (limit $limit_mib) |" >>"$results"
