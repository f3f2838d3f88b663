#!/usr/bin/python3
"""tavrel-cli io against pymodbus servers, an independent Modbus implementation.

A pymodbus server with the RTU framer listens on loopback over TCP and over UDP (ports chosen by
the system); the board's model sits in holding registers 5..12, one character per register. The
program reads the model, the inputs and the outputs, switches one output and all outputs, and the
server's data store must show exactly what was asked.

Usage: io_pymodbus_interop.py path/to/tavrel-cli
Exit code 77 (skipped) when pymodbus or its server is not installed for this interpreter.
"""
import asyncio
import json
import logging
import subprocess
import sys
import threading
import time

try:
    from pymodbus.datastore import ModbusServerContext, ModbusSlaveContext, ModbusSequentialDataBlock
    from pymodbus.framer.rtu_framer import ModbusRtuFramer
    from pymodbus.server.async_io import ModbusTcpServer, ModbusUdpServer
except ImportError as error:  # pragma: no cover
    print(f"pymodbus server not available: {error}")
    sys.exit(77)

# The server reports handlers cancelled at its close as errors; they are not.
logging.getLogger("pymodbus").setLevel(logging.CRITICAL)

MODEL = "KB-08-00"
INPUTS = [True, False, True, True, False, False, False, True]
COILS = [False, True, False, False, True, False, False, False]
failures = []


def fail(message):
    failures.append(message)
    print("FAIL:", message)


def make_context():
    registers = [0] * 40
    for i, ch in enumerate(MODEL):
        registers[5 + i] = ord(ch)
    # zero_mode: request address n is data block index n.
    slave = ModbusSlaveContext(
        di=ModbusSequentialDataBlock(0, INPUTS + [False] * 24),
        co=ModbusSequentialDataBlock(0, COILS + [False] * 24),
        hr=ModbusSequentialDataBlock(0, registers),
        ir=ModbusSequentialDataBlock(0, [0] * 40),
        zero_mode=True,
    )
    return slave, ModbusServerContext(slaves=slave, single=True)


class ServerThread:
    """A pymodbus server on 127.0.0.1, port 0, running its own event loop in a thread."""

    def __init__(self, kind):
        self.slave, context = make_context()
        self.loop = asyncio.new_event_loop()
        cls = ModbusTcpServer if kind == "tcp" else ModbusUdpServer
        self.kind = kind
        self.server = None
        self.port = None
        ready = threading.Event()

        async def serve():
            # The servers take the running loop when they are made.
            self.server = cls(context, framer=ModbusRtuFramer, address=("127.0.0.1", 0))
            serving = asyncio.ensure_future(self.server.serve_forever())
            while self.port is None and not serving.done():
                await asyncio.sleep(0.01)
                if kind == "tcp" and self.server.server is not None:
                    self.port = self.server.server.sockets[0].getsockname()[1]
                elif kind == "udp" and self.server.protocol is not None:
                    self.port = self.server.protocol.get_extra_info("sockname")[1]
            ready.set()
            await serving

        def run():
            asyncio.set_event_loop(self.loop)
            try:
                self.loop.run_until_complete(serve())
            except BaseException:  # cancelled when the server is closed at the end
                pass
            ready.set()

        self.thread = threading.Thread(target=run, daemon=True)
        self.thread.start()
        if not ready.wait(10) or self.port is None:
            raise RuntimeError(f"the pymodbus {kind} server did not start")

    def coils(self, count):
        return self.slave.getValues(1, 0, count)

    def stop(self):
        async def close():
            await self.server.server_close()

        asyncio.run_coroutine_threadsafe(close(), self.loop).result(5)


def cli(program, server, *action):
    if server.kind == "tcp":
        where = ["--tcp", f"127.0.0.1:{server.port}"]
    else:
        where = ["--udp", "127.0.0.1:0", "--to", f"127.0.0.1:{server.port}"]
    args = [program, "io", *where, "--protocol", "modbus", "--json", *action]
    run = subprocess.run(args, capture_output=True, text=True, timeout=60)
    if run.returncode != 0:
        fail(f"{' '.join(args[1:])}: exit {run.returncode}: {run.stderr.strip()}")
        return None
    try:
        return json.loads(run.stdout.strip().splitlines()[-1])
    except (ValueError, IndexError):
        fail(f"{' '.join(args[1:])}: not JSON: {run.stdout!r}")
        return None


def check(program, kind):
    server = ServerThread(kind)
    try:
        out = cli(program, server, "model")
        if out is not None and out.get("model") != MODEL:
            fail(f"{kind} model: {out}")
        out = cli(program, server, "inputs")
        if out is not None and out.get("inputs") != INPUTS:
            fail(f"{kind} inputs: {out.get('inputs')} instead of {INPUTS}")
        out = cli(program, server, "outputs")
        if out is not None and out.get("outputs") != COILS:
            fail(f"{kind} outputs: {out.get('outputs')} instead of {COILS}")

        cli(program, server, "switch", "3", "on")
        expected = list(COILS)
        expected[2] = True
        if server.coils(8) != expected:
            fail(f"{kind} switch 3 on: coils {server.coils(8)}")
        cli(program, server, "switch", "2", "off")
        expected[1] = False
        if server.coils(8) != expected:
            fail(f"{kind} switch 2 off: coils {server.coils(8)}")

        out = cli(program, server, "all", "on")
        if server.coils(9) != [True] * 8 + [False]:
            fail(f"{kind} all on: coils {server.coils(9)}")
        if out is not None and out.get("outputs") != [True] * 8:
            fail(f"{kind} all on shows {out.get('outputs')}")
        cli(program, server, "all", "off")
        if server.coils(8) != [False] * 8:
            fail(f"{kind} all off: coils {server.coils(8)}")
    finally:
        server.stop()


def main():
    program = sys.argv[1]
    for kind in ("tcp", "udp"):
        check(program, kind)
    if failures:
        print(f"{len(failures)} failures")
        return 1
    print("tavrel-cli io agrees with pymodbus over TCP and UDP")
    return 0


if __name__ == "__main__":
    sys.exit(main())
