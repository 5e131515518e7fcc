#!/usr/bin/env python3
# Writes a starter "fishsave.bin" (16 records of 64 bytes) with one fish of each of the first
# catalog rows, so a first run of the aquarium has fish to watch. Used only when no roster exists.
import struct, sys, time
path = sys.argv[1]
names = ["きんちゃん", "ひらひら", "でめちゃん", "らんらん", "きんすけ", "ひらりん"]
kinds = [0, 1, 2, 3, 0, 1]
now = int(time.clock_gettime(time.CLOCK_BOOTTIME) * 1000) & 0xFFFFFFFF
out = bytearray()
for slot in range(16):
    if slot < len(names):
        name = names[slot].encode("cp932")
        out += struct.pack("<iiiiI12x", 1, kinds[slot], 5, 0, now) + name.ljust(32, b"\0")
    else:
        out += bytes(64)
open(path, "wb").write(out)
