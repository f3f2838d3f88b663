#!/usr/bin/env bash
# The tavrel.devices collection as a user runs it: ansible-doc of its modules, and ansible-playbook on
# localhost (local connection) against tavrel-sim on a loopback port of its own, whose --frame-log
# tells every frame the devices took, so that "no write was sent" is the devices' word.
# usage: ansible_test.sh CASE BUILD_DIR   (CASE: doc, example, or a tag of modules.yml)
set -u
case=$1
build=$2
here=$(cd "$(dirname "$0")" && pwd)
collections=$(cd "$here/../../ansible" && pwd)
cli=$build/src/cli/tavrel-cli
command -v ansible-playbook >/dev/null && command -v ansible-doc >/dev/null ||
    { echo "SKIP: no ansible-core (./dev.sh test installs it)"; exit 77; }
work=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-ansible.XXXXXX") || exit 1
sims=()
trap 'for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null; done; wait; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# This collection only, and nothing of the user's Ansible set-up.
: >"$work/ansible.cfg"
export ANSIBLE_COLLECTIONS_PATH=$collections ANSIBLE_HOME=$work/ansible ANSIBLE_CONFIG=$work/ansible.cfg
export ANSIBLE_LOCAL_TEMP=$work/ansible/tmp ANSIBLE_REMOTE_TEMP=$work/ansible/tmp
export ANSIBLE_PYTHON_INTERPRETER=/usr/bin/python3 ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0

free_port() {
    /usr/bin/python3 -c 'import socket; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# start_sim NAME PORT DEVICE...: simulated devices at PORT, their frames in $work/NAME.frames.
start_sim() {
    local name=$1 port=$2 description args=()
    shift 2
    for description in "$@"; do args+=(--device "$description"); done
    : >"$work/$name.frames" && : >"$work/$name.log"
    "$build/src/sim/tavrel-sim" --port "$port" --tftp-port "$(free_port)" --frame-log "$work/$name.frames" \
        "${args[@]}" >"$work/$name.log" 2>&1 &
    sims+=($!)
    for _ in $(seq 300); do
        grep -q "devices ready" "$work/$name.log" && return 0
        kill -0 "${sims[-1]}" 2>/dev/null || break
        sleep 0.1
    done
    cat "$work/$name.log"
    fail "$name: the simulator did not start"
}

writes() { cat "$work"/*.frames | grep -c ' W '; }

# play LOG ARGUMENT...: ansible-playbook, its output in $work/LOG.log
play() {
    local log=$work/$1.log
    shift
    ansible-playbook "$@" >"$log" 2>&1 || { cat "$log"; fail "ansible-playbook $*"; }
}

server=kind=serial,ports=4,version=43
case "$case" in
doc)
    for module in device_info device firmware; do
        ansible-doc "tavrel.devices.$module" >"$work/doc" 2>&1 || { cat "$work/doc"; fail "ansible-doc $module"; }
        for word in broadcast bind device_port local_port timeout cli EXAMPLES RETURN; do
            grep -q "$word" "$work/doc" || fail "ansible-doc $module tells nothing of $word"
        done
    done
    [ "$(ansible-doc -l tavrel.devices 2>&1 | grep -c '^tavrel\.devices\.')" = 3 ] || fail "ansible-doc -l"
    ;;
example)
    # The example's two sites, each a LAN of its own (a device port of its own), on the local connection.
    north=$(free_port)
    start_sim north "$north" "$server,ip=127.0.0.2,mac=00-CA-C1-10-00-01" "$server,ip=127.0.0.3,mac=00-CA-C1-10-00-02"
    south=$(free_port)
    [ "$south" != "$north" ] || south=$(free_port)
    start_sim south "$south" "$server,ip=127.0.0.2,mac=00-CA-C1-20-00-01"
    cat >"$work/inventory.yml" <<EOF_INVENTORY
tavrel_sites:
  hosts: {north: {tavrel_device_port: $north}, south: {tavrel_device_port: $south}}
  vars: {ansible_connection: local, tavrel_broadcast: 127.255.255.255, tavrel_local_port: 0, tavrel_cli: $cli}
EOF_INVENTORY
    site=(-i "$work/inventory.yml" "$collections/ansible_collections/tavrel/devices/examples/site.yml")
    changed() {  # RUN NORTH SOUTH: how many devices of each site the run changed
        local counted
        counted="$(grep -c '^changed: \[north\]' "$work/$1.log") $(grep -c '^changed: \[south\]' "$work/$1.log")"
        [ "$counted" = "$2 $3" ] || { cat "$work/$1.log"; fail "$1: $counted devices changed, not $2 $3"; }
    }
    play check "${site[@]}" --check --diff
    changed check 2 1
    grep -q '+    "port1.baud": "115200"' "$work/check.log" || { cat "$work/check.log"; fail "no diff"; }
    [ "$(writes)" = 0 ] || fail "check mode sent $(writes) writes"
    play apply "${site[@]}"
    changed apply 2 1
    sent=$(writes)
    [ "$sent" -gt 0 ] || fail "the first run sent no write"
    play again "${site[@]}"
    changed again 0 0
    [ "$(writes)" = "$sent" ] || fail "the second run sent $(($(writes) - sent)) writes"
    ;;
*)
    port=$(free_port)
    start_sim devices "$port" "$server,ip=127.0.0.2,mac=00-CA-C1-10-00-01" "$server,ip=127.0.0.3,mac=00-CA-C1-10-00-02" \
        "$server,ip=127.0.0.4,mac=00-CA-C1-10-00-03,refuse"
    tftp=$(sed -n 's/.*firmware uploads at TFTP port \([0-9]*\).*/\1/p' "$work/devices.log")
    printf 'V145 image\n%.0s' $(seq 300) >"$work/fw-V145.bin"
    play modules -vvv -i localhost, -c local "$here/modules.yml" --tags "$case" \
        -e "cli=$cli sim_port=$port tftp_port=$tftp frames=$work/devices.frames image=$work/fw-V145.bin"
    grep -qE "^localhost +: ok=[1-9]" "$work/modules.log" || fail "no task of $case ran"
    # A password given to the device module never reaches the output, not even at -vvv.
    ! grep -q "s3cretpw" "$work/modules.log" || fail "the password is in the output"
    ;;
esac
echo "ansible_$case passed"
