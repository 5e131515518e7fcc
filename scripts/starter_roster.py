#!/usr/bin/env python3
# Writes a starter "fishsave.bin" (16 records of 64 bytes) with one fish of each of the first
# catalog rows, so a first run of the aquarium has fish to watch. Used only when no roster exists.
#   starter_roster.py PATH             fish fed just now (the tests' start)
#   starter_roster.py --shipped PATH   the copy the build ships: the same bytes on every build,
#                                      fish full at the boot-time clock 0, so they come back with
#                                      10 less the hours since the machine started (at least 0)
import os, struct, sys, time
shipped = sys.argv[1] == "--shipped"
path = sys.argv[-1]
names = ["きんちゃん", "ひらひら", "でめちゃん", "らんらん", "きんすけ", "ひらりん"]
kinds = [0, 1, 2, 3, 0, 1]
satiety = 10 if shipped else 5
now = 0 if shipped else int(time.clock_gettime(time.CLOCK_BOOTTIME) * 1000) & 0xFFFFFFFF
out = bytearray()
for slot in range(16):
    if slot < len(names):
        name = names[slot].encode("cp932")
        out += struct.pack("<iiiiI12x", 1, kinds[slot], satiety, 0, now) + name.ljust(32, b"\0")
    else:
        out += bytes(64)
with open(path + ".tmp", "wb") as f:
    f.write(out)
os.replace(path + ".tmp", path)
