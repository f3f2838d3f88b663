#!/usr/bin/env python3
"""Prints "found complete" for the JSON of `tavrel-cli --json search`.

A device counts as complete when the CLI says so ("complete") and, as an independent check, every
block of its read-out left a mark: the simulator's factory settings are non-zero in every field, while
a block that never arrived leaves zeros (shown as null, 0 or an empty text).
"""
import json
import sys


def filled(value):
    return value not in (None, "", 0, "0.0.0.0")


def complete(device):
    if device.get("complete") is False:
        return False
    network = device.get("network", {})
    if not all(filled(network.get(k)) for k in ("ipType", "ip", "mask", "gateway", "dns")):
        return False
    if not filled(device.get("user")):
        return False
    ports = device.get("ports", [])
    if len(ports) != 8:
        return False
    keys = ("baud", "parity", "dataBits", "stopBits", "workMode", "interface", "remoteHost", "remotePort",
            "localPort", "heartbeatInterval")
    return all(filled(port.get(k)) for port in ports for k in keys)


def main():
    try:
        with open(sys.argv[1], encoding="utf-8") as f:
            devices = json.load(f)
    except (OSError, ValueError):
        devices = []
    print(len(devices), sum(1 for d in devices if complete(d)))


if __name__ == "__main__":
    main()
