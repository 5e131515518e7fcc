#!/usr/bin/env python3
# Writes the few seeds of the fish-life fuzz targets: save files and motion scripts.
import os
import struct

here = os.path.dirname(os.path.abspath(__file__))


def record(occupied, kind, satiety, overfed, clock, name):
    return struct.pack("<iiiiI12x", occupied, kind, satiety, overfed, clock) + name.ljust(32, b"\0")[:32]


def write(folder, name, data):
    os.makedirs(os.path.join(here, folder), exist_ok=True)
    with open(os.path.join(here, folder, name), "wb") as f:
        f.write(data)


empty = b"\0" * 64
write("roster", "two_fish", record(1, 0, 7, 2, 1000, b"\x8b\xe0\x8b\x9b") + empty * 2 + record(1, 2, 10, 100, 0, b"a" * 24) + empty * 12)
write("roster", "odd_records", record(2, 0, 1, 0, 0, b"x") + record(1, 7, 1, 0, 0, b"far") + record(1, 1, -5, -1, 0xFFFFFFFF, b"z" * 32))
write("roster", "torn", record(1, 0, 3, 0, 0, b"torn")[:40])

write("motion_script", "goldfish", (
    "// goldfish\r\nFPS(30)\r\nMotionNum(4)\r\nTrackRecord(0, 0, 0, 60)\r\nTrackRecord(1, 0, 67, 127)\r\n"
    "TrackRecord(2, 0, 134, 164)\r\nTrackRecord(3, 0, 171, 231)\r\nScale(1.000)\r\nWait(1800)\r\n"
    "SlowSpeed(0.550)\r\nSlowRotateH(3.000)\r\nSlowRotateV(1.500)\r\nFastSpeed(1.500)\r\n"
    "FastRotateH(7.000)\r\nFastRotateV(2.500)\r\nGravity(0.000)\r\nEnd()\r\n").encode())
write("motion_script", "refused", b"MotionNum(4)TrackRecord(9,0,0,1)FPS(x)Scale(1e999)End()")
write("motion_script", "sets", b"FPS(24)MotionNum(6)TrackRecord(5,3,1,2)TrackRecord(0,2,0,9)Wait(10)MotionNum(many)End()")
