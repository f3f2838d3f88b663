#!/usr/bin/env bash
# One entry point for a fresh Debian 12 machine:
#   ./dev.sh test   install what is missing, build with the sanitizers and the core for Windows
#                   (build/windows), run every test, the core's under Wine too
#   ./dev.sh run    install what is missing, build, start simulated devices on loopback, open the tool
#   ./dev.sh lan    (root) build a virtual LAN of network namespaces with the demo's devices on two
#                   subnets and open the tool on it with its real defaults (see README)
#   ./dev.sh package  build the Debian package from the release build (build/release/tavrel_*.deb)
#   ./dev.sh fuzz [NAME] [SECONDS]
#                   build the libFuzzer harnesses of fuzz/ with clang and run NAME (default: all) for
#                   SECONDS each (default 60); findings go to build/fuzz/artifacts/
#   ./dev.sh bench [NAME]  build the release preset, run bench/NAME.sh (every benchmark without NAME)
set -euo pipefail
cd "$(dirname "$0")"

BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev libgtest-dev libgmock-dev python3-pymodbus python3-serial-asyncio)
# Qt's own texts (file dialogs, standard buttons) in the interface language.
BUILD_PACKAGES+=(qt6-translations-l10n)
# A real TFTP server and client as independent peers of the firmware upload.
BUILD_PACKAGES+=(tftpd-hpa tftp-hpa)
# Manual pages, the package and its checks (the package test runs in ./dev.sh test too).
PACKAGE_PACKAGES=(help2man dpkg-dev file desktop-file-utils)
# The benchmarks' scripts and the Chinese font the window draws with, so that repaints cost what they do.
BENCH_PACKAGES=(time python3 fonts-noto-cjk)
RUN_PACKAGES=(fonts-noto-cjk xvfb xauth)
# The core and its tests cross-built for 64-bit Windows and run under Wine (GoogleTest from its sources).
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix wine64 googletest)
# The virtual LAN's namespaces, bridges and veth pairs.
LAN_PACKAGES=(iproute2)
# The Ansible collection's tests run ansible-playbook and ansible-doc of Debian's ansible-core.
ANSIBLE_PACKAGES=(ansible-core)
# libFuzzer's runtime comes with clang's compiler-rt.
FUZZ_PACKAGES=(cmake ninja-build clang libclang-rt-dev)

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

# The harnesses are a project of their own: clang, the core sources only, no Qt.
fuzz_build() {
    ensure_packages "${FUZZ_PACKAGES[@]}"
    [ -f build/fuzz/CMakeCache.txt ] ||
        CC=clang CXX=clang++ cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build build/fuzz
}

fuzz_names() {
    local f
    for f in fuzz/*.cpp; do basename "$f" .cpp; done
}

# New inputs go to build/fuzz/found/NAME; the seeds in fuzz/corpus/NAME are only read.
fuzz_run() {  # $1 = name, $2 = seconds
    local name=$1 seconds=$2
    mkdir -p "build/fuzz/found/$name" build/fuzz/artifacts
    echo "fuzz $name: ${seconds}s"
    "build/fuzz/fuzz_$name" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="build/fuzz/artifacts/$name-" "build/fuzz/found/$name" "fuzz/corpus/$name" \
        2>"build/fuzz/$name.log" || { tail -n 40 "build/fuzz/$name.log"; return 1; }
    grep -E "stat::number_of_executed_units|stat::new_units_added" "build/fuzz/$name.log" | tr '\n' ' '
    echo
}

fuzz_all() {  # $1 = seconds
    local name failed=0
    for name in $(fuzz_names); do fuzz_run "$name" "$1" || failed=1; done
    return $failed
}

# Everything the tool sends during a demo stays on this machine.
export TAVREL_BROADCAST="${TAVREL_BROADCAST:-127.255.255.255}"

case "${1:-}" in
test)
    ensure_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" "${LAN_PACKAGES[@]}" \
        "${ANSIBLE_PACKAGES[@]}"
    build test
    # Only the core and its tests; ctest's core_windows runs them under Wine.
    build windows
    # Bounded, so that CI stays within its time: ten seconds per harness. First, so that the test
    # runner's summary closes the output.
    fuzz_build
    fuzz_all 10
    ctest --preset test -j2
    ;;
fuzz)
    fuzz_build
    name=${2:-}
    seconds=${3:-60}
    # "./dev.sh fuzz 30" runs every harness for 30 s.
    if [[ "$name" =~ ^[0-9]+$ ]]; then seconds=$name; name=""; fi
    if [ -z "$name" ]; then
        fuzz_all "$seconds"
    elif [ -f "fuzz/$name.cpp" ]; then
        fuzz_run "$name" "$seconds"
    else
        echo "no harness fuzz/$name.cpp; there are: $(fuzz_names | tr '\n' ' ')" >&2
        exit 2
    fi
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
lan)
    if [ "$(id -u)" -ne 0 ]; then
        echo "./dev.sh lan builds network namespaces and needs root (sudo ./dev.sh lan)." >&2
        exit 1
    fi
    ensure_packages "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" "${LAN_PACKAGES[@]}"
    # LAN_PRESET=test runs the sanitizer build's programs instead.
    preset=${LAN_PRESET:-release}
    build "$preset"
    bin=$PWD/build/$preset
    . tests/lan/lan.sh
    lan_possible || exit 1
    LAN_SIM=$bin/src/sim/tavrel-sim
    lan_logs=$(mktemp -d)
    xvfb_pid=""
    trap 'lan_down; [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; rm -rf "$lan_logs"' EXIT
    lan_up
    # The demo's devices, one namespace each, at their real ports (TFTP 69) on LAN A and LAN B; the
    # one-port server at .23 has an IO board behind its port 1.
    while read -r name lan address description extra; do
        lan_add_host "$name" "$lan" "$address"
        # shellcheck disable=SC2086
        lan_sim "$name" "$lan_logs/$name.log" --tftp-port 69 --device "$description,ip=$address" $extra
        sed -n 1p "$lan_logs/$name.log"
    done <<EOF_DEVICES
a20 a 192.168.1.20 kind=serial,ports=1,version=42,flag=0
a21 a 192.168.1.21 kind=serial,ports=4,version=43,flag=1
a22 a 192.168.1.22 kind=302,timing,scan-delay=1500
a23 a 192.168.1.23 kind=serial,ports=1,version=43 --io-board=model=KB-08-00,ip=192.168.1.23,port=20108
b20 b 10.9.0.20 kind=serial,ports=8,version=43,flag=1
b21 b 10.9.0.21 kind=830
EOF_DEVICES
    echo "Virtual LAN: the tool's cards lana $LAN_TOOL_A/24 (default route) and lanb $LAN_TOOL_B/24."
    if [ -z "${DISPLAY:-}" ]; then
        # Xvfb's socket is a file, so the window reaches it from inside the tool's namespace.
        # Xvfb picks a free display itself and writes its number when it is ready.
        Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$lan_logs/display" >"$lan_logs/xvfb.log" 2>&1 &
        xvfb_pid=$!
        for _ in $(seq 100); do [ -s "$lan_logs/display" ] && break; sleep 0.1; done
        [ -s "$lan_logs/display" ] || { cat "$lan_logs/xvfb.log"; exit 1; }
        export DISPLAY=:$(cat "$lan_logs/display")
        echo "No display: the window runs on Xvfb $DISPLAY (e.g. xwd -root -display $DISPLAY)."
    fi
    echo "Close the window to take the LAN down."
    lan_exec tool "$bin/src/app/tavrel-config"
    ;;
package)
    ensure_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}" lintian
    build release
    (cd build/release && cpack)
    deb=$(ls -t build/release/tavrel_*.deb | head -n 1)
    echo "Built $deb"
    lintian --tag-display-limit 0 "$deb" || true
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
    echo "usage: $0 test|run|lan|package|fuzz [NAME] [SECONDS]|bench [NAME]" >&2
    exit 2
    ;;
esac
