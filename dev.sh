#!/usr/bin/env bash
# One entry point for a fresh Debian 12 machine:
#   ./dev.sh test   install what is missing, build with the sanitizers, run every test
#   ./dev.sh run    install what is missing, build, start simulated devices on loopback, open the tool
#   ./dev.sh package  build the Debian package from the release build (build/release/tavrel_*.deb)
set -euo pipefail
cd "$(dirname "$0")"

BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev libgtest-dev libgmock-dev python3-pymodbus python3-serial-asyncio)
# Manual pages, the package and its checks (the package test runs in ./dev.sh test too).
PACKAGE_PACKAGES=(help2man dpkg-dev file desktop-file-utils)
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
    ensure_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
    build test
    ctest --preset test -j2
    ;;
run)
    ensure_packages "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}"
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
package)
    ensure_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}" lintian
    build release
    (cd build/release && cpack)
    deb=$(ls -t build/release/tavrel_*.deb | head -n 1)
    echo "Built $deb"
    lintian --no-tag-display-limit "$deb" || true
    ;;
*)
    echo "usage: $0 test|run|package" >&2
    exit 2
    ;;
esac
