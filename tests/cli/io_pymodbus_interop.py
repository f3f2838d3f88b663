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
import os
import subprocess
import sys
import tempfile
import threading
import time
import xml.etree.ElementTree as ElementTree

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


def check_script(program, kind):
    """io-test against the same server: its steps hold, a planted wrong one fails by its line, and the
    JUnit report is read by an XML parser that is not the one that wrote it."""
    server = ServerThread(kind)
    connect = (f"connect tcp 127.0.0.1:{server.port}" if kind == "tcp"
               else f"connect udp 127.0.0.1:{server.port} local 127.0.0.1:0")
    script = "\n".join([
        f"{connect} modbus address 1",
        f"expect model {MODEL}",
        "expect inputs 0x8D",
        "expect input 2 on          # wrong on purpose: input 2 is off",
        "switch 3 on",
        "expect output 3 on",
        "switch all off",
        "expect outputs 0x00 within 1s",
    ]) + "\n"
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "steps.txt")
        report = os.path.join(folder, "steps.xml")
        with open(path, "w") as f:
            f.write(script)
        try:
            run = subprocess.run([program, "io-test", path, "--junit", report], capture_output=True,
                                 text=True, timeout=60)
        finally:
            coils = server.coils(8)
            server.stop()
        if run.returncode != 1:
            fail(f"{kind} io-test: exit {run.returncode} instead of 1: {run.stdout}{run.stderr}")
        if coils != [False] * 8:
            fail(f"{kind} io-test: coils {coils} after all off")
        try:
            root = ElementTree.parse(report).getroot()
        except (OSError, ElementTree.ParseError) as error:
            fail(f"{kind} io-test: JUnit report unreadable: {error}")
            return
        cases = root.findall("./testsuite/testcase")
        failed = [c.get("name") for c in cases if c.find("failure") is not None]
        if len(cases) != 8 or failed != ["line 4: expect input 2 on"]:
            fail(f"{kind} io-test: {len(cases)} cases, failed {failed}")
        if root.find("testsuite").get("failures") != "1":
            fail(f"{kind} io-test: suite failures {root.find('testsuite').get('failures')}")


def main():
    program = sys.argv[1]
    for kind in ("tcp", "udp"):
        check(program, kind)
        check_script(program, kind)
    if failures:
        print(f"{len(failures)} failures")
        return 1
    print("tavrel-cli io and io-test agree with pymodbus over TCP and UDP")
    return 0


if __name__ == "__main__":
    sys.exit(main())
