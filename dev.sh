#!/usr/bin/env bash
# One entry point for a fresh Debian 12 machine:
#   ./dev.sh test   install what is missing, build with the sanitizers, run every test
#   ./dev.sh run    install what is missing, build, start simulated devices on loopback, open the tool
#   ./dev.sh bench [NAME]  build the release preset, run bench/NAME.sh (every benchmark without NAME)
set -euo pipefail
cd "$(dirname "$0")"

BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev libgtest-dev libgmock-dev python3-pymodbus)
# A real TFTP server and client as independent peers of the firmware upload.
BUILD_PACKAGES+=(tftpd-hpa tftp-hpa)
# The benchmarks' scripts and the Chinese font the window draws with, so that repaints cost what they do.
BENCH_PACKAGES=(time python3 fonts-noto-cjk)
RUN_PACKAGES=(fonts-noto-cjk xvfb xauth)

missing_packages() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
    done
}

ensure_packages() {
    local missing
    missing=$(missing_packages "$@" | tr '\n' ' ')
    [ -z "${missing// /}" ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages. Install them with:" >&2
        echo "  sudo apt-get update && sudo apt-get install -y --no-install-recommends $missing" >&2
        exit 1
    fi
    echo "Installing: $missing"
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
    stop_tftp_service
}

# The tftpd-hpa package starts its system service on port 69 where it can; nothing here needs it
# (tests start their own server on a free loopback port), so it is stopped and kept from starting.
stop_tftp_service() {
    [ -x /etc/init.d/tftpd-hpa ] || return 0
    if command -v systemctl >/dev/null && [ -d /run/systemd/system ]; then
        systemctl disable --now tftpd-hpa >/dev/null 2>&1 || true
    else
        /etc/init.d/tftpd-hpa stop >/dev/null 2>&1 || true
        update-rc.d tftpd-hpa disable >/dev/null 2>&1 || true
    fi
}

build() {  # $1 = preset
    local preset=$1
    [ -f "build/$preset/CMakeCache.txt" ] || cmake --preset "$preset"
    cmake --build --preset "$preset"
}

# Everything the tool sends during a demo stays on this machine.
export TAVREL_BROADCAST="${TAVREL_BROADCAST:-127.255.255.255}"

case "${1:-}" in
test)
    ensure_packages "${BUILD_PACKAGES[@]}"
    build test
    ctest --preset test -j2
    ;;
run)
    ensure_packages "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}"
    # The simulated devices take firmware at a TFTP port that needs no privileges; the window uses it.
    export TAVREL_TFTP_PORT="${TAVREL_TFTP_PORT:-6969}"
    build release
    bin=build/release
    sim_pid=""
    if [ -x "$bin/src/sim/tavrel-sim" ]; then
        sim_log=$(mktemp)
        "$bin/src/sim/tavrel-sim" --demo >"$sim_log" 2>&1 &
        sim_pid=$!
        trap 'kill "$sim_pid" 2>/dev/null; wait 2>/dev/null; rm -f "$sim_log"' EXIT
        # The simulator says when its devices listen; give it five seconds at most.
        for _ in $(seq 50); do
            grep -q "devices ready" "$sim_log" && break
            kill -0 "$sim_pid" 2>/dev/null || { cat "$sim_log"; exit 1; }
            sleep 0.1
        done
        cat "$sim_log"
    fi
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "No display: running the command-line search against the simulated devices instead."
        if [ -x "$bin/src/cli/tavrel-cli" ]; then
            "$bin/src/cli/tavrel-cli" search
        else
            echo "tavrel-cli is not built yet."
        fi
        exit 0
    fi
    "$bin/src/app/tavrel-config"
    ;;
bench)
    ensure_packages "${BUILD_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"
    build release
    if [ -n "${2:-}" ]; then
        [ -f "bench/$2.sh" ] || { echo "no benchmark bench/$2.sh" >&2; exit 2; }
        scripts=("bench/$2.sh")
    else
        scripts=(bench/*.sh)
    fi
    for script in "${scripts[@]}"; do
        echo "== $script"
        bash "$script" build/release
    done
    ;;
*)
    echo "usage: $0 test|run|bench [NAME]" >&2
    exit 2
    ;;
esac
