#!/usr/bin/env python3
"""Makes mock server files from MockServer.exe, a harmless program that only
waits: the signature at file offset 15710 and a configuration block at 124888,
both placed after the program's image (the overlay, which the loader never
maps), so the files still start and run.

One file:   make_fixtures.py --base MockServer.exe --signature sig.bin --out x.exe [options]
Test set:   make_fixtures.py --base MockServer.exe --signature sig.bin --standard-set DIR
Broken signature resource (one byte short): make_fixtures.py --signature sig.bin --short-signature OUT
"""
import argparse
import os
import struct
import sys

SIGNATURE_OFFSET = 15710
SIGNATURE_LENGTH = 1024
CONFIG_OFFSET = 124888
CONFIG_LENGTH = 100
FULL_SIZE = CONFIG_OFFSET + CONFIG_LENGTH
MARKER = bytes([1, 2, 3, 4])


def image_end(pe):
    """Offset where the sections' raw data ends: the overlay starts there."""
    if pe[:2] != b"MZ":
        raise SystemExit("base is not an MZ executable")
    pe_offset = struct.unpack_from("<I", pe, 0x3C)[0]
    if pe[pe_offset:pe_offset + 4] != b"PE\0\0":
        raise SystemExit("base is not a PE executable")
    sections = struct.unpack_from("<H", pe, pe_offset + 6)[0]
    optional_size = struct.unpack_from("<H", pe, pe_offset + 20)[0]
    table = pe_offset + 24 + optional_size
    end = table + 40 * sections
    for i in range(sections):
        raw_size, raw_pointer = struct.unpack_from("<II", pe, table + 40 * i + 16)
        end = max(end, raw_pointer + raw_size)
    return end


def config_block(name=None, value=None, unconfigured=False, raw=None, leading_zeros=3):
    if raw is not None:
        block = bytes(raw)
    elif unconfigured:
        block = bytes(leading_zeros) + MARKER
    elif name is None:
        block = b""
    else:
        # zeros, the file name, its terminator, four skipped bytes, the value name
        block = bytes(leading_zeros) + name.encode("latin-1") + b"\0" + b"\xAA\xBB\xCC\xDD"
        block += (value or "").encode("latin-1") + b"\0"
    if len(block) > CONFIG_LENGTH:
        raise SystemExit("configuration block longer than 100 bytes")
    return block.ljust(CONFIG_LENGTH, b"\0")


def make(base, signature, sig_offset=SIGNATURE_OFFSET, with_signature=True, flip=None,
         block=None, size=FULL_SIZE):
    pe = bytearray(base)
    end = image_end(pe)
    if end > len(pe):
        raise SystemExit("base image is truncated")
    if min(sig_offset, CONFIG_OFFSET) < end:
        raise SystemExit(f"the program's image ends at {end}: test data at {sig_offset} would overwrite it")
    data = bytearray(pe[:end])
    data.extend(b"\x90" * (max(size, FULL_SIZE) - len(data)))   # filler after the image
    if with_signature:
        sig = bytearray(signature[:SIGNATURE_LENGTH])
        if flip is not None:
            sig[flip] ^= 0xFF
        data[sig_offset:sig_offset + SIGNATURE_LENGTH] = sig
    data[CONFIG_OFFSET:CONFIG_OFFSET + CONFIG_LENGTH] = block if block is not None else bytes(CONFIG_LENGTH)
    return bytes(data[:size])


STANDARD_SET = {
    # name: keyword arguments of make()
    "clean.exe": dict(with_signature=False),
    "server.exe": dict(block=config_block("agent.exe", "Agent")),
    "server_unconfigured.exe": dict(block=config_block(unconfigured=True)),
    "server_blank_value.exe": dict(block=config_block(" .exe", "")),
    "server_sig_first_byte_changed.exe": dict(flip=0, block=config_block("agent.exe", "Agent")),
    "server_sig_last_byte_changed.exe": dict(flip=SIGNATURE_LENGTH - 1, block=config_block("agent.exe", "Agent")),
    "server_sig_at_15709.exe": dict(sig_offset=SIGNATURE_OFFSET - 1),
    "server_sig_at_15711.exe": dict(sig_offset=SIGNATURE_OFFSET + 1),
    "server_short_16733.exe": dict(size=SIGNATURE_OFFSET + SIGNATURE_LENGTH - 1),
    "server_exact_16734.exe": dict(size=SIGNATURE_OFFSET + SIGNATURE_LENGTH),
    "server_short_config.exe": dict(size=CONFIG_OFFSET + 50, block=config_block("agent.exe", "Agent")),
    # Hostile configuration data: file names that point outside the system directory.
    "server_name_absolute.exe": dict(block=config_block("C:\\kxvictim.txt", "Evil")),
    "server_name_relative.exe": dict(block=config_block("..\\kxvictim.txt", "Evil")),
    "server_name_slash.exe": dict(block=config_block("../kxvictim.txt", "Evil")),
    "server_name_dotdot.exe": dict(block=config_block("..", "Evil")),
    # Hostile names of things that exist but are not the trojan's.
    "server_name_notepad.exe": dict(block=config_block("notepad.exe", "Agent")),
    "server_value_evil.exe": dict(block=config_block("agent.exe", "Evil")),
}


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--base")
    ap.add_argument("--short-signature", metavar="OUT")
    ap.add_argument("--signature", required=True)
    ap.add_argument("--out")
    ap.add_argument("--standard-set", metavar="DIR")
    ap.add_argument("--name", help="configured file name")
    ap.add_argument("--value", default="", help="configured value name")
    ap.add_argument("--unconfigured", action="store_true")
    ap.add_argument("--no-signature", action="store_true")
    ap.add_argument("--size", type=int, default=FULL_SIZE)
    ap.add_argument("--sig-offset", type=int, default=SIGNATURE_OFFSET)
    ap.add_argument("--flip", type=int, help="index of a signature byte to change")
    args = ap.parse_args()

    signature = open(args.signature, "rb").read()
    if len(signature) != SIGNATURE_LENGTH + 1:
        raise SystemExit("the signature file must hold 1,025 bytes")
    if args.short_signature:
        with open(args.short_signature, "wb") as f:
            f.write(signature[:SIGNATURE_LENGTH])
        return 0
    if not args.base:
        ap.error("--base is required")
    base = open(args.base, "rb").read()

    if args.standard_set:
        os.makedirs(args.standard_set, exist_ok=True)
        for name, kw in STANDARD_SET.items():
            with open(os.path.join(args.standard_set, name), "wb") as f:
                f.write(make(base, signature, **kw))
        return 0
    if not args.out:
        ap.error("--out or --standard-set is required")
    block = config_block(args.name, args.value, unconfigured=args.unconfigured)
    with open(args.out, "wb") as f:
        f.write(make(base, signature, sig_offset=args.sig_offset, with_signature=not args.no_signature,
                     flip=args.flip, block=block, size=args.size))
    return 0


if __name__ == "__main__":
    sys.exit(main())
