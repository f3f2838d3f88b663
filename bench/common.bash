# Shared by the benchmark scripts (sourced; not a benchmark itself, hence not *.sh).
# Everything stays on loopback: simulated devices on 127.0.0.N, broadcasts to 127.255.255.255.
export TAVREL_BROADCAST=127.255.255.255
export QT_QPA_PLATFORM=offscreen

bench_build=${1:-build/release}
bench_work=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-bench.XXXXXX")
bench_pids=()
bench_cleanup() {
    local pid
    for pid in "${bench_pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    rm -rf "$bench_work"
}
trap bench_cleanup EXIT

need() {
    local tool
    for tool in "$@"; do
        [ -x "$tool" ] || command -v "$tool" >/dev/null ||
            { echo "missing $tool (./dev.sh bench builds and installs what is needed)" >&2; exit 1; }
    done
}

# A UDP port free on 127.0.0.1 right now.
free_port() {
    python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# start_sim LOG ARGS...: tavrel-sim in the background until it says its devices listen.
start_sim() {
    local log=$1
    shift
    "$bench_build/src/sim/tavrel-sim" "$@" >"$log" 2>&1 &
    sim_pid=$!
    bench_pids+=("$sim_pid")
    for _ in $(seq 300); do
        grep -q "devices ready" "$log" && return 0
        kill -0 "$sim_pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "tavrel-sim did not start:" >&2
    cat "$log" >&2
    exit 1
}

stop_sim() {
    kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null || true
}

# timed_search DESCRIPTION: tavrel-cli --json search against tavrel-sim devices of that description;
# prints "wall_ms found complete" (bench/json_devices.py counts the last two).
timed_search() {
    local port start wall_ms
    port=$(free_port)
    start_sim "$bench_work/sim.log" --port "$port" --device "$1"
    start=$(date +%s%N)
    "$bench_build/src/cli/tavrel-cli" --json --local-port 0 --device-port "$port" search \
        >"$bench_work/out.json" 2>"$bench_work/err.txt" || true
    wall_ms=$((($(date +%s%N) - start) / 1000000))
    stop_sim
    echo "$wall_ms $(python3 bench/json_devices.py "$bench_work/out.json")"
}

load_now() { cut -d' ' -f1-3 /proc/loadavg; }

# append_result NAME FIGURES: one row of bench/RESULTS.md.
append_result() {
    local results=bench/RESULTS.md
    if [ ! -f "$results" ]; then
        printf '%s\n' "# Benchmark results" "" "One row per run of \`./dev.sh bench NAME\`." "" \
            "| date (UTC) | benchmark | nproc | figures |" "|---|---|---|---|" >"$results"
    fi
    echo "| $(date -u +%Y-%m-%dT%H:%MZ) | $1 | $(nproc) | $2 |" >>"$results"
}
