#!/usr/bin/python3
"""Checks the IO codec's Modbus RTU frames against pymodbus, an independent Modbus implementation.

Requests built by the codec (iocodec_dump requests) must frame and decode in pymodbus with the
expected function, address, count and value; replies built by pymodbus, and broken copies of them,
must be accepted or refused by the codec (iocodec_dump decode) exactly when pymodbus accepts or
refuses them, and decode to the same states.

Usage: iocodec_pymodbus_check.py path/to/iocodec_dump
Exit code 77 (skipped) when pymodbus is not installed for this interpreter.
"""
import random
import subprocess
import sys

try:
    from pymodbus.factory import ClientDecoder, ServerDecoder
    from pymodbus.framer.rtu_framer import ModbusRtuFramer
    from pymodbus.bit_read_message import ReadCoilsResponse, ReadDiscreteInputsResponse
    from pymodbus.bit_write_message import WriteSingleCoilResponse, WriteMultipleCoilsResponse
    from pymodbus.register_read_message import ReadHoldingRegistersResponse
    from pymodbus.bit_read_message import ReadCoilsRequest, ReadDiscreteInputsRequest
    from pymodbus.bit_write_message import WriteSingleCoilRequest
    from pymodbus.register_read_message import ReadHoldingRegistersRequest
except ImportError as error:  # pragma: no cover
    print(f"pymodbus not available: {error}")
    sys.exit(77)

# The board rules as documented, typed here independently of the C++ tables.
# model: (input query, output query count, all-outputs count, coil reply count, input reply count)
# input query: None, ("bits", n) or ("registers", start, n)
MODELS = {
    "KB-04-00": (("bits", 4), 4, 4, 4, 4),
    "KB-08-00": (("bits", 8), 8, 8, 8, 8),
    "KB-16-00": (("bits", 16), 16, 16, 16, 16),
    "KB-32-00": (None, 32, 32, 32, None),
    "MV-I16-O16": (("bits", 16), 16, 16, 16, 16),
    "MV-I00-O02": (None, 2, 2, 2, None),
    "MV-I32-O00": (("bits", 32), None, None, None, 32),
    "MV-I08-O08": (("bits", 8), None, None, None, 8),
    "1HMTK08": (("registers", 24, 8), 8, 8, 8, None),
    "1GWTK16": (None, None, None, 16, None),
}
ORDER_CODES = {
    "1HWTK04": "KB-04-00", "1HWTK08": "KB-08-00", "1JYTK08": "KB-08-00", "1HWTK16": "KB-16-00",
    "1HWTK32": "KB-32-00", "1GWTK16": "MV-I16-O16", "5GPTV2": "MV-I00-O02", "5GLUS32": "MV-I32-O00",
}

failures = []


def fail(message):
    failures.append(message)


def framed(frame, units, decoder):
    """The message pymodbus takes from the frame, or None when its RTU framer refuses it."""
    framer = ModbusRtuFramer(decoder())
    got = []
    try:
        framer.processIncomingPacket(frame, got.append, unit=units)
    except Exception:  # a frame pymodbus cannot parse counts as refused
        return None
    return got[0] if len(got) == 1 else None


def packet(message):
    return ModbusRtuFramer(ClientDecoder()).buildPacket(message)


def check_requests(dump):
    lines = subprocess.run([dump, "requests"], check=True, capture_output=True, text=True).stdout.splitlines()
    if len(lines) < 100:
        fail(f"too few request frames: {len(lines)}")
    for line in lines:
        kind, address, model, arg, hexframe = line.split()
        address = int(address)
        rules = MODELS.get(model)
        expected = None  # (pymodbus request for exact bytes or None, check function)
        if kind == "model":
            expected = ReadHoldingRegistersRequest(5, 8, unit=address)
        elif kind == "inputs":
            plan = rules[0]
            if plan and plan[0] == "bits":
                expected = ReadDiscreteInputsRequest(0, plan[1], unit=address)
            elif plan:
                expected = ReadHoldingRegistersRequest(plan[1], plan[2], unit=address)
        elif kind == "outputs":
            if rules[1]:
                expected = ReadCoilsRequest(0, rules[1], unit=address)
        elif kind == "switch":
            number, state = arg.split(":")
            expected = WriteSingleCoilRequest(int(number) - 1, state == "on", unit=address)
        elif kind == "all":
            expected = ("all", rules[2], arg == "on") if rules[2] else None

        if expected is None:
            if hexframe != "-":
                fail(f"{line}: a frame where none is expected")
            continue
        if hexframe == "-":
            fail(f"{line}: no frame built")
            continue
        frame = bytes.fromhex(hexframe)
        request = framed(frame, [address], ServerDecoder)
        if request is None:
            fail(f"{line}: pymodbus refuses the frame")
            continue
        if request.unit_id != address:
            fail(f"{line}: unit {request.unit_id}")
        if isinstance(expected, tuple):
            _, count, on = expected
            if request.function_code != 15 or request.address != 0 or len(request.values) < count:
                fail(f"{line}: function {request.function_code} address {request.address}")
            elif frame[4:6] != count.to_bytes(2, "big") or any(v != on for v in request.values[:count]):
                fail(f"{line}: count or states differ from {count} x {on}")
            continue
        if request.function_code != expected.function_code:
            fail(f"{line}: function {request.function_code}, expected {expected.function_code}")
        if frame != packet(expected):
            fail(f"{line}: bytes differ from pymodbus {packet(expected).hex().upper()}")


def reply_cases(rng):
    """(selected address, model text or "-", reply frame, expected result) built with pymodbus."""
    cases = []
    for address in (1, 2, 17, 247):
        for model, rules in MODELS.items():
            coil_count, input_count = rules[3], rules[4]
            if coil_count:
                bits = [rng.random() < 0.5 for _ in range((coil_count + 7) // 8 * 8)]
                want = "outputs " + "".join("1" if b else "0" for b in bits[:coil_count])
                cases.append((address, model, packet(ReadCoilsResponse(bits, unit=address)), want))
            if input_count:
                bits = [rng.random() < 0.5 for _ in range((input_count + 7) // 8 * 8)]
                want = "inputs " + "".join("1" if b else "0" for b in bits[:input_count])
                cases.append((address, model, packet(ReadDiscreteInputsResponse(bits, unit=address)), want))
        for reported, stored in list(ORDER_CODES.items()) + [("1HMTK08", "1HMTK08"), ("XY-1", "XY-1")]:
            registers = [ord(c) for c in reported] + [0] * (8 - len(reported))
            reply = packet(ReadHoldingRegistersResponse(registers, unit=address))
            cases.append((address, "-", reply, f"model {reported} {stored}"))
        values = [rng.randrange(0, 65536) for _ in range(8)]
        reply = packet(ReadHoldingRegistersResponse(values, unit=address))
        cases.append((address, "1HMTK08", reply, "analog " + " ".join(map(str, values))))
        cases.append((address, "KB-08-00", reply, "refused 6"))
        for number in (1, 2, 17, 32):
            for on in (True, False):
                reply = packet(WriteSingleCoilResponse(number - 1, on, unit=address))
                cases.append((address, "KB-32-00", reply, f"changed {number} {int(on)}"))
        for count in (2, 4, 8, 16, 32):
            reply = packet(WriteMultipleCoilsResponse(0, count, unit=address))
            cases.append((address, "-", reply, f"written {count}"))
    return cases


def broken_copies(address, frame):
    """Variants that pymodbus refuses; the codec must refuse them too."""
    copies = []
    if frame[-1] != frame[-2]:
        copies.append(("swapped CRC", address, frame[:-2] + frame[-1:] + frame[-2:-1]))
    copies.append(("other address", address % 200 + 1, frame))
    flipped = bytearray(frame)
    flipped[len(frame) // 2] ^= 0x04
    copies.append(("flipped bit", address, bytes(flipped)))
    copies.append(("cut short", address, frame[:-1]))
    return copies


def check_replies(dump, rng):
    rows = []  # (selected address, model, frame, expected codec result or None for "refused")
    for address, model, frame, want in reply_cases(rng):
        accepted = framed(frame, [address], ClientDecoder)
        if accepted is None:
            fail(f"pymodbus refuses its own reply {frame.hex()}")
        rows.append((address, model, frame, want, f"{want} from {frame.hex().upper()}"))
        for name, selected, broken in broken_copies(address, frame):
            if framed(broken, [selected], ClientDecoder) is not None:
                continue  # pymodbus still takes it (e.g. a bit flip it cannot see); not a verdict to compare
            rows.append((selected, model, broken, None, f"{name} of {frame.hex().upper()}"))

    stdin = "".join(f"{a} {m} {f.hex().upper() or '-'}\n" for a, m, f, _, _ in rows)
    out = subprocess.run([dump, "decode"], input=stdin, check=True, capture_output=True, text=True).stdout
    results = out.splitlines()
    if len(results) != len(rows):
        fail(f"{len(results)} results for {len(rows)} replies")
        return
    refused = 0
    for (address, model, frame, want, label), got in zip(rows, results):
        if want is None:
            refused += 1
            # Refused for a framing reason: too short, bad CRC or another address.
            if got not in ("refused 1", "refused 3", "refused 4"):
                fail(f"{label} (address {address}): codec gives '{got}', pymodbus refuses it")
        elif got != want:
            fail(f"{label} (address {address}, model {model}): codec gives '{got}'")
    if refused < 100:
        fail(f"only {refused} broken replies were compared")
    print(f"{len(rows)} replies compared, {refused} of them refused by pymodbus")


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    dump = sys.argv[1]
    check_requests(dump)
    check_replies(dump, random.Random(4601))
    for message in failures[:50]:
        print("FAIL:", message)
    if failures:
        print(f"{len(failures)} failures")
        return 1
    print("all Modbus frames agree with pymodbus")
    return 0


if __name__ == "__main__":
    sys.exit(main())
