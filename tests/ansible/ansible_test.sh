#!/usr/bin/env bash
# Runs the tavrel.devices collection as a user would: ansible-doc of its modules, and ansible-playbook
# on localhost (local connection) against tavrel-sim on a loopback port of its own, whose --frame-log
# tells every frame the devices took, so that "no write was sent" is the devices' word.
# usage: ansible_test.sh CASE BUILD_DIR
#   CASE: doc, example (the collection's example: two sites, one sheet), or a tag of modules.yml
set -u
case=$1
build=$2
here=$(cd "$(dirname "$0")" && pwd)
collections=$(cd "$here/../../ansible" && pwd)
examples=$collections/ansible_collections/tavrel/devices/examples
sim=$build/src/sim/tavrel-sim
cli=$build/src/cli/tavrel-cli
for tool in ansible-playbook ansible-doc; do
    command -v "$tool" >/dev/null || { echo "SKIP: no $tool (./dev.sh test installs ansible-core)"; exit 77; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-ansible.XXXXXX") || exit 1
sims=()
trap 'for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null; done; wait; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Only this collection, and nothing of the user's Ansible set-up.
export ANSIBLE_COLLECTIONS_PATH=$collections ANSIBLE_HOME=$work/ansible ANSIBLE_CONFIG=$work/ansible.cfg
export ANSIBLE_LOCAL_TEMP=$work/ansible/tmp ANSIBLE_REMOTE_TEMP=$work/ansible/tmp
export ANSIBLE_PYTHON_INTERPRETER=/usr/bin/python3 ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0
: >"$work/ansible.cfg"

free_port() {
    /usr/bin/python3 -c 'import socket; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# start_sim NAME PORT DEVICE...: simulated devices at PORT, their frames in $work/NAME.frames.
start_sim() {
    local name=$1 port=$2 description args=()
    shift 2
    for description in "$@"; do args+=(--device "$description"); done
    : >"$work/$name.frames"
    : >"$work/$name.log"
    "$sim" --port "$port" --tftp-port "$(free_port)" --frame-log "$work/$name.frames" "${args[@]}" \
        >"$work/$name.log" 2>&1 &
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

case "$case" in
doc)
    for module in device_info device firmware; do
        ansible-doc "tavrel.devices.$module" >"$work/doc" 2>&1 || { cat "$work/doc"; fail "ansible-doc $module"; }
        for word in broadcast bind device_port local_port timeout cli EXAMPLES RETURN; do
            grep -q "$word" "$work/doc" || fail "ansible-doc $module tells nothing of $word"
        done
    done
    listed=$(ansible-doc -l tavrel.devices 2>&1)
    [ "$(grep -c '^tavrel\.devices\.' <<<"$listed")" = 3 ] || fail "ansible-doc -l lists: $listed"
    ;;
example)
    # Each site a LAN of its own: a simulator at a device port of its own.
    north=$(free_port)
    start_sim north "$north" kind=serial,ports=4,version=43,ip=127.0.0.2,mac=00-CA-C1-10-00-01 \
        kind=serial,ports=4,version=43,ip=127.0.0.3,mac=00-CA-C1-10-00-02
    south=$(free_port)
    [ "$south" != "$north" ] || south=$(free_port)
    start_sim south "$south" kind=serial,ports=4,version=43,ip=127.0.0.2,mac=00-CA-C1-20-00-01
    # The example's sites, reached with the local connection and pointed at the simulators.
    cat >"$work/inventory.yml" <<EOF_INVENTORY
all:
  children:
    tavrel_sites:
      hosts:
        north: {tavrel_device_port: $north}
        south: {tavrel_device_port: $south}
      vars:
        ansible_connection: local
        tavrel_broadcast: 127.255.255.255
        tavrel_local_port: 0
        tavrel_cli: $cli
EOF_INVENTORY
    play() {  # $1 = what the run is; the rest go to ansible-playbook
        local what=$1
        shift
        ansible-playbook -i "$work/inventory.yml" "$examples/site.yml" "$@" >"$work/$what.log" 2>&1 ||
            { cat "$work/$what.log"; fail "$what: ansible-playbook failed"; }
    }
    changed() {  # $1 = run, $2 = site, $3 = devices changed
        [ "$(grep -c "^changed: \[$2\]" "$work/$1.log")" = "$3" ] ||
            { cat "$work/$1.log"; fail "$1: $2 does not report $3 devices changed"; }
    }
    play check --check --diff
    changed check north 2
    changed check south 1
    grep -q '+    "port1.baud": "115200"' "$work/check.log" || { cat "$work/check.log"; fail "no diff"; }
    [ "$(writes)" = 0 ] || fail "check mode sent $(writes) writes"
    play apply
    changed apply north 2
    changed apply south 1
    sent=$(writes)
    [ "$sent" -gt 0 ] || fail "the first run sent no write"
    play again
    changed again north 0
    changed again south 0
    [ "$(writes)" = "$sent" ] || fail "the second run sent $(($(writes) - sent)) writes"
    # The devices hold the sheet, by the CLI's own word.
    "$cli" --broadcast 127.255.255.255 --device-port "$south" --local-port 0 show 00-CA-C1-20-00-01 --csv \
        >"$work/south.csv" || fail "show"
    grep -q ',115200,' "$work/south.csv" || fail "south holds: $(cat "$work/south.csv")"
    ;;
*)
    port=$(free_port)
    start_sim devices "$port" kind=serial,ports=4,version=43,ip=127.0.0.2,mac=00-CA-C1-10-00-01 \
        kind=serial,ports=4,version=43,ip=127.0.0.3,mac=00-CA-C1-10-00-02 \
        kind=serial,ports=4,version=43,ip=127.0.0.4,mac=00-CA-C1-10-00-03,refuse
    tftp=$(sed -n 's/.*firmware uploads at TFTP port \([0-9]*\).*/\1/p' "$work/devices.log")
    printf 'V145 image\n%.0s' $(seq 300) >"$work/fw-V145.bin"
    ansible-playbook -vvv -i localhost, -c local "$here/modules.yml" --tags "$case" \
        -e "cli=$cli sim_port=$port tftp_port=$tftp frames=$work/devices.frames image=$work/fw-V145.bin" \
        >"$work/play.log" 2>&1 || { cat "$work/play.log"; fail "ansible-playbook failed"; }
    grep -qE "^localhost +: ok=[1-9][0-9]* .* failed=0 " "$work/play.log" || { cat "$work/play.log"; fail "recap"; }
    # A password given to the device module never reaches the output.
    ! grep -q "s3cretpw" "$work/play.log" || fail "the password is in the output"
    ;;
esac
echo "ansible_$case passed"
