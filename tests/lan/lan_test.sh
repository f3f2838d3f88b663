#!/usr/bin/env bash
# The tool with its real defaults on a virtual LAN: lan_test.sh CASE BUILD_DIR
# Exit 77 (skipped) where namespaces cannot be made: not root, no iproute2, no permission.
set -u
here=$(cd "$(dirname "$0")" && pwd)
case_name=$1
build=$2
# shellcheck source=lan.sh
. "$here/lan.sh"
LAN_SIM="$build/src/sim/tavrel-sim"
CLI="$build/src/cli/tavrel-cli"
WINDOW_CHECK="$build/tests/lan/lan_window_check"
WINDOW="$build/src/app/tavrel-config"

lan_possible || exit 77
work=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-lan.XXXXXX")
trap 'lan_down; rm -rf "$work"' EXIT
# The tool's files go to a throw-away home, in and out of the namespaces.
export TAVREL_HOME="$work/home"
mkdir -p "$TAVREL_HOME"

fail() {
    echo "FAIL: $*" >&2
    for log in "$work"/*.log; do
        [ -f "$log" ] && { echo "== $log" >&2; cat "$log" >&2; }
    done
    exit 1
}

# device NAME a|b ADDRESS SIM-ARGUMENTS...
device() {
    local name=$1 lan=$2 address=$3
    shift 3
    lan_add_host "$name" "$lan" "$address" || fail "cannot add host $name"
    lan_sim "$name" "$work/$name.log" "$@" || fail "simulator $name"
}

# The addresses in the tool's JSON list on stdin, sorted, one line.
ips() { python3 -c 'import json,sys; print(" ".join(sorted(d["ip"] for d in json.load(sys.stdin))))'; }

tool() { lan_exec tool "$CLI" "$@"; }

# Two devices on LAN A, one on LAN B.
standard_lan() {
    lan_up || fail "cannot build the LAN"
    device a20 a 192.168.1.20 --device kind=serial,ports=1,ip=192.168.1.20
    device a21 a 192.168.1.21 --device kind=serial,ports=4,ip=192.168.1.21
    device b20 b 10.9.0.20 --device kind=serial,ports=8,ip=10.9.0.20
}

expect_ips() {  # expected actual what
    [ "$1" = "$2" ] || fail "$3: expected [$1], found [$2]"
}

case "$case_name" in
search)
    # No TAVREL_* variable: 255.255.255.255 out of the default route's card, LAN A only.
    standard_lan
    found=$(tool --json search | ips) || fail "search"
    expect_ips "192.168.1.20 192.168.1.21" "$found" "search with the defaults"
    ;;
bind)
    standard_lan
    found=$(tool --bind "$LAN_TOOL_B" --json search | ips) || fail "search bound to LAN B's card"
    expect_ips "10.9.0.20" "$found" "search bound to $LAN_TOOL_B"
    ;;
scan)
    standard_lan
    found=$(tool --json search --scan --address 192.168.1.0 | ips) || fail "scan"
    expect_ips "192.168.1.20 192.168.1.21" "$found" "scan of 192.168.1.0/24"
    ;;
set-port)
    standard_lan
    tool set-port 192.168.1.21 --port 2 --baud 115200 >"$work/set.log" 2>&1 || fail "set-port"
    baud=$(tool --json show 192.168.1.21 | python3 -c 'import json,sys; print(json.load(sys.stdin)["ports"][1]["baud"])')
    [ "$baud" = "115200" ] || fail "port 2 reads back $baud"
    ;;
upgrade)
    lan_up || fail "cannot build the LAN"
    device a20 a 192.168.1.20 --tftp-port 69 --device kind=serial,ip=192.168.1.20
    head -c 3000 /dev/urandom >"$work/firmware.bin"
    tool --json upgrade "$work/firmware.bin" 192.168.1.20 >"$work/upgrade.log" 2>&1 || fail "upgrade"
    grep -q '"completed"' "$work/upgrade.log" || fail "upgrade did not complete"
    # The device took the very bytes: it says so when it stops.
    lan_down
    sum=$(sha256sum "$work/firmware.bin" | cut -d' ' -f1)
    grep -q "firmware firmware.bin 3000 bytes sha256 $sum" "$work/a20.log" || fail "the device holds other bytes"
    ;;
io)
    lan_up || fail "cannot build the LAN"
    device io40 a 192.168.1.40 --io-board model=KB-08-00,protocol=modbus,ip=192.168.1.40,port=502,inputs=5
    out=$(tool io --tcp 192.168.1.40:502 --protocol modbus --json inputs) || fail "io inputs"
    echo "$out" | python3 -c 'import json,sys; d=json.loads(sys.stdin.read().splitlines()[-1]); assert d["inputs"][:3]==[True,False,True], d' ||
        fail "io inputs: $out"
    ;;
window)
    # A one-port server with an IO board behind its port 1 (its TCP server port), on LAN A.
    lan_up || fail "cannot build the LAN"
    device a20 a 192.168.1.20 --device kind=serial,ports=1,ip=192.168.1.20 \
        --io-board model=KB-08-00,ip=192.168.1.20,port=20108
    device b20 b 10.9.0.20 --device kind=serial,ports=8,ip=10.9.0.20
    QT_QPA_PLATFORM=offscreen lan_exec tool "$WINDOW_CHECK" >"$work/window.log" 2>&1 || fail "window"
    ;;
doctor-clean)
    standard_lan
    tool --json doctor >"$work/doctor.json" 2>"$work/doctor.log" || fail "doctor on a clean LAN: $(cat "$work/doctor.json")"
    python3 - "$work/doctor.json" <<'PY' || fail "doctor report: $(cat "$work/doctor.json")"
import json, sys
r = json.load(open(sys.argv[1]))
assert r["ok"] and r["findings"] == [] and r["localPort"]["free"], r
seen = {b["address"]: sorted(d["ip"] for d in b["devices"]) for b in r["bindings"]}
assert seen[None] == ["192.168.1.20", "192.168.1.21"], seen
assert seen["192.168.1.2"] == ["192.168.1.20", "192.168.1.21"], seen
assert seen["10.9.0.2"] == ["10.9.0.20"], seen
assert all(d["answersOwnAddress"] for b in r["bindings"] for d in b["devices"]), r
PY
    tool doctor >"$work/doctor.txt" 2>&1 || fail "doctor text on a clean LAN: $(cat "$work/doctor.txt")"
    [ "$(tail -n 1 "$work/doctor.txt")" = "No problems found." ] || fail "doctor text: $(cat "$work/doctor.txt")"
    # Each device under each way it was found, and none marked as deaf at its own address.
    [ "$(grep -c '^  192\.168\.1\.2[01]  00-CA-C1-' "$work/doctor.txt")" -eq 4 ] ||
        fail "doctor text devices: $(cat "$work/doctor.txt")"
    ! grep -qF "(no answer at its own address)" "$work/doctor.txt" || fail "doctor text marks: $(cat "$work/doctor.txt")"
    ;;
doctor-faults)
    # A device in a foreign subnet on LAN A, two devices with one IP, and a second copy of the tool
    # (the window) holding the local port.
    lan_up || fail "cannot build the LAN"
    device a20 a 192.168.1.20 --device kind=serial,ip=192.168.1.20
    device f50 a 192.168.0.50 --device kind=serial,ip=192.168.0.50
    device d30 a 192.168.1.30 --device kind=serial,ip=192.168.1.30,mac=00-CA-C1-00-00-31
    device e30 a 192.168.1.30 --device kind=serial,ip=192.168.1.30,mac=00-CA-C1-00-00-32
    QT_QPA_PLATFORM=offscreen lan_exec tool "$WINDOW" >"$work/window.log" 2>&1 &
    # A loaded machine starts the window slowly: it is waited for, not assumed.
    held=""
    for _ in $(seq 1200); do
        lan_exec tool grep -qi ':11F9 ' /proc/net/udp && { held=yes; break; }
        sleep 0.1
    done
    [ -n "$held" ] || fail "the window did not take the local port within 120 s"
    tool --json doctor >"$work/doctor.json" 2>"$work/doctor.log"
    [ $? -eq 1 ] || fail "doctor should exit 1: $(cat "$work/doctor.json")"
    line=$(python3 - "$work/doctor.json" <<'PY') || fail "doctor report: $(cat "$work/doctor.json")"
import json, sys
r = json.load(open(sys.argv[1]))
kinds = sorted(f["kind"] for f in r["findings"])
assert kinds == ["duplicate-ip", "foreign-subnet", "local-port-in-use"], kinds
assert r["localPort"]["program"] == "tavrel-config", r["localPort"]
foreign = next(f for f in r["findings"] if f["kind"] == "foreign-subnet")
assert foreign["command"] == ("tavrel-cli --bind 192.168.1.2 set-network 00-CA-C1-A8-00-32 "
                              "--ip 192.168.1.50 --mask 255.255.255.0"), foreign
dup = next(f for f in r["findings"] if f["kind"] == "duplicate-ip")
assert "192.168.1.30" in dup["cause"], dup
print(foreign["command"])
PY
    # The remedy as printed reaches the device across the subnets (by broadcast and MAC), from a free
    # local port while the window holds the tool's.
    read -r -a words <<<"$line"
    tool --local-port 0 "${words[@]:1}" >"$work/remedy.log" 2>&1 || fail "the printed set-network line failed"
    # The same findings in Chinese: each with its cause and its remedy, the command under the remedy.
    tool --lang zh doctor >"$work/doctor-zh.txt" 2>&1
    python3 - "$work/doctor-zh.txt" "$line" <<'PY' || fail "Chinese report: $(cat "$work/doctor-zh.txt")"
import sys
text = open(sys.argv[1], encoding="utf-8").read()
for kind in ("duplicate-ip", "foreign-subnet", "local-port-in-use"):
    lines = text.split("\n[" + kind + "]\n", 1)[1].split("\n")
    assert lines[0].startswith("  原因：") and lines[1].startswith("  解决："), (kind, lines[:3])
before, command, _ = text.partition("\n    " + sys.argv[2] + "\n")
assert command and before.rsplit("\n", 1)[-1].startswith("  解决："), text
PY
    ;;
*)
    echo "unknown case $case_name" >&2
    exit 2
    ;;
esac
echo "ok: $case_name"
