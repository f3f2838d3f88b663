#!/usr/bin/env python3
"""Start-up times, each from just before exec:
  cli BUILD RUNS    tavrel-cli search until its first search datagram reaches a listener on the
                    loopback broadcast address (the listener stands where the devices would be);
  window BUILD RUNS the main window until its first paint, offscreen (bench-window --paint-only).
Prints "min median max" in milliseconds."""
import os
import socket
import statistics
import subprocess
import sys
import time

BROADCAST = "127.255.255.255"


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def cli_once(build):
    port = free_port()
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as listener:
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind((BROADCAST, port))
        listener.settimeout(10)
        start = time.monotonic_ns()
        proc = subprocess.Popen([f"{build}/src/cli/tavrel-cli", "--broadcast", BROADCAST, "--local-port", "0",
                                 "--device-port", str(port), "--timeout", "2000", "search"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            listener.recvfrom(2048)
            return (time.monotonic_ns() - start) / 1e6
        finally:
            proc.kill()
            proc.wait()


def window_once(build):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", TAVREL_BENCH_EXEC_NS=str(time.monotonic_ns()))
    out = subprocess.run([f"{build}/bench/bench-window", "--device-port", str(free_port()), "--paint-only"],
                         env=env, capture_output=True, text=True, check=True).stdout
    for line in out.splitlines():
        fields = line.split()
        if fields[:2] == ["paint", "exec_ms"]:
            return float(fields[2])
    raise RuntimeError("bench-window printed no paint time: " + out)


def main():
    what, build, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
    once = cli_once if what == "cli" else window_once
    times = sorted(once(build) for _ in range(runs))
    print(f"{times[0]:.1f} {statistics.median(times):.1f} {times[-1]:.1f}")


if __name__ == "__main__":
    main()
