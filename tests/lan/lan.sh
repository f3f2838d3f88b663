# A virtual LAN of network namespaces, to be sourced (needs root and iproute2):
#   <prefix>-hub   holds the bridges "lana" (LAN A, 192.168.1.0/24) and "lanb" (LAN B, 10.9.0.0/24)
#   <prefix>-tool  the tool's computer: card "lana" 192.168.1.2/24, card "lanb" 10.9.0.2/24, default
#                  route on LAN A
#   <prefix>-NAME  one simulated device each, card "eth0" on one of the bridges
# Every link is made inside these namespaces; the machine's own interfaces are never touched, and
# nothing in them has a route out. lan_down removes every namespace with the prefix, and with it
# whatever still runs there.

LAN_PREFIX=${LAN_PREFIX:-tvlan}
LAN_TOOL_A=192.168.1.2
LAN_TOOL_B=10.9.0.2

lan_ns() { echo "$LAN_PREFIX-$1"; }

# 0 when namespaces can be made here; the reason on stderr otherwise.
lan_possible() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "virtual LAN: needs root" >&2
        return 1
    fi
    if ! command -v ip >/dev/null; then
        echo "virtual LAN: needs ip (iproute2)" >&2
        return 1
    fi
    local probe
    probe=$(lan_ns probe)
    ip netns del "$probe" 2>/dev/null || true
    if ! ip netns add "$probe" 2>/dev/null; then
        echo "virtual LAN: cannot create network namespaces here" >&2
        return 1
    fi
    # Bridges and veth pairs need their kernel modules.
    if ! ip -n "$probe" link add probe-br type bridge 2>/dev/null ||
        ! ip -n "$probe" link add probe-a type veth peer name probe-b 2>/dev/null; then
        ip netns del "$probe"
        echo "virtual LAN: no bridges or veth pairs here" >&2
        return 1
    fi
    ip netns del "$probe"
}

lan_down() {
    local ns pid
    for ns in $(ip netns list 2>/dev/null | awk '{print $1}' | grep "^$LAN_PREFIX-"); do
        for pid in $(ip netns pids "$ns" 2>/dev/null); do kill "$pid" 2>/dev/null || true; done
    done
    # The processes get a moment to end on their own (a simulator prints what it received).
    for _ in $(seq 20); do
        local left=""
        for ns in $(ip netns list 2>/dev/null | awk '{print $1}' | grep "^$LAN_PREFIX-"); do
            left+=$(ip netns pids "$ns" 2>/dev/null)
        done
        [ -z "$left" ] && break
        sleep 0.1
    done
    for ns in $(ip netns list 2>/dev/null | awk '{print $1}' | grep "^$LAN_PREFIX-"); do
        for pid in $(ip netns pids "$ns" 2>/dev/null); do kill -9 "$pid" 2>/dev/null || true; done
        ip netns del "$ns"
    done
}

# Links namespace $1's card $2 to bridge $3 of the hub; the hub's end is named $4.
lan_link() {
    local ns=$1 card=$2 bridge=$3 hubEnd=$4 hub
    hub=$(lan_ns hub)
    ip -n "$hub" link add "$hubEnd" type veth peer name "$card" netns "$ns"
    ip -n "$hub" link set "$hubEnd" master "$bridge" up
    ip -n "$ns" link set "$card" up
}

lan_up() {
    lan_down
    local hub tool bridge
    hub=$(lan_ns hub)
    tool=$(lan_ns tool)
    ip netns add "$hub"
    ip netns add "$tool"
    ip -n "$hub" link set lo up
    for bridge in lana lanb; do
        ip -n "$hub" link add "$bridge" type bridge
        ip -n "$hub" link set "$bridge" up
    done
    ip -n "$tool" link set lo up
    lan_link "$tool" lana lana tool-a
    lan_link "$tool" lanb lanb tool-b
    ip -n "$tool" addr add "$LAN_TOOL_A/24" dev lana
    ip -n "$tool" addr add "$LAN_TOOL_B/24" dev lanb
    # There is no router at .1: the route only gives the limited broadcast its card.
    ip -n "$tool" route add default via 192.168.1.1 dev lana
}

# lan_add_host NAME a|b ADDRESS[/PREFIX]: a namespace with one card on LAN A or B. Its default route
# is its own link, so that a device set to another subnet still answers the tool.
lan_add_host() {
    local name=$1 lan=$2 address=$3 ns
    ns=$(lan_ns "$name")
    ip netns add "$ns"
    ip -n "$ns" link set lo up
    lan_link "$ns" eth0 "lan$lan" "h-$name"
    [[ "$address" == */* ]] || address="$address/24"
    ip -n "$ns" addr add "$address" dev eth0
    ip -n "$ns" route add default dev eth0
}

# lan_exec NAME COMMAND...: runs COMMAND in namespace NAME without the loopback overrides, so that
# the programs use their real defaults there (and only there).
lan_exec() {
    local ns
    ns=$(lan_ns "$1")
    shift
    ip netns exec "$ns" env -u TAVREL_BROADCAST -u TAVREL_BIND -u TAVREL_LOCAL_PORT -u TAVREL_DEVICE_PORT \
        -u TAVREL_TFTP_PORT "$@"
}

# lan_sim NAME LOGFILE SIM-ARGUMENTS...: starts tavrel-sim ($LAN_SIM) in namespace NAME and waits
# until its devices listen.
lan_sim() {
    local name=$1 log=$2
    shift 2
    lan_exec "$name" "$LAN_SIM" --lan "$@" >"$log" 2>&1 &
    local pid=$!
    for _ in $(seq 300); do
        grep -qs "devices ready" "$log" && return 0
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "tavrel-sim in $name did not start:" >&2
            cat "$log" >&2
            return 1
        fi
        sleep 0.1
    done
    echo "tavrel-sim in $name: not ready after 30 s" >&2
    cat "$log" >&2
    return 1
}
