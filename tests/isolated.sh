#!/usr/bin/env bash
# Runs one test program with a fresh, private TAVREL_HOME and the loopback broadcast address.
set -u
home=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-test.XXXXXX") || exit 1
trap 'rm -rf "$home"' EXIT
export TAVREL_HOME="$home"
export TAVREL_BROADCAST="${TAVREL_BROADCAST:-127.255.255.255}"
"$@"
