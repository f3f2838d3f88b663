#!/usr/bin/env bash
# Runs one test program with a fresh, private TAVREL_HOME and the loopback broadcast address and,
# where the system allows it (root, or unprivileged user namespaces), in a network namespace of its
# own: a simulator or demo left running on this machine then cannot answer the test's broadcasts.
# Inside, loopback is up beside one veth pair with a private address that exists only there, since
# some programs (in.tftpd among them) look up addresses only when a non-loopback one is configured.
# Elsewhere the program runs as it is. TAVREL_TEST_SHARED_NETWORK=1 asks for that too.
set -u

# The two ends of the pair and the address they carry, inside the namespace only.
links() {
    ip link set lo up &&
        ip link add tavrel-t0 type veth peer name tavrel-t1 &&
        ip addr add 10.254.77.1/24 dev tavrel-t0 &&
        ip link set tavrel-t0 up &&
        ip link set tavrel-t1 up
}

if [ "${1:-}" = --inside-namespace ]; then
    shift
    links || exit 1
    # A user namespace made for this maps the caller to root; the program runs as the caller again.
    if [ -n "${TAVREL_TEST_UID:-}" ]; then
        exec unshare --user --map-user="$TAVREL_TEST_UID" --map-group="$TAVREL_TEST_GID" -- "$@"
    fi
    exec "$@"
fi

home=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-test.XXXXXX") || exit 1
trap 'rm -rf "$home"' EXIT
export TAVREL_HOME="$home"
export TAVREL_BROADCAST="${TAVREL_BROADCAST:-127.255.255.255}"

namespace=()
if [ "${TAVREL_TEST_SHARED_NETWORK:-0}" != 1 ] && command -v unshare >/dev/null && command -v ip >/dev/null; then
    if [ "$(id -u)" = 0 ]; then
        candidate=(unshare --net --)
    else
        candidate=(unshare --user --map-root-user --net --)
        export TAVREL_TEST_UID TAVREL_TEST_GID
        TAVREL_TEST_UID=$(id -u)
        TAVREL_TEST_GID=$(id -g)
    fi
    # Only a namespace that can be set up whole is used.
    if "${candidate[@]}" bash -c "$(declare -f links); links" >/dev/null 2>&1; then
        namespace=("${candidate[@]}" "$0" --inside-namespace)
    fi
fi
"${namespace[@]}" "$@"
