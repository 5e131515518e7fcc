#!/usr/bin/env python3
"""Writes the small seed corpora of the pack, script and catalog fuzz targets (run from anywhere)."""
import os
import struct

here = os.path.dirname(os.path.abspath(__file__))


def put(corpus, name, data):
    with open(os.path.join(here, corpus, name), "wb") as f:
        f.write(data)


def pack(members, count=None):
    count = len(members) if count is None else count
    head = b"MRP" + bytes(5) + struct.pack("<I", count) + bytes(4)
    offset = 16 + 32 * len(members)
    directory, blob = b"", b""
    for name, data in members:
        directory += name.ljust(24, b"\0") + struct.pack("<II", offset, len(data))
        offset += len(data)
        blob += data
    return head + directory + blob


header = b"2\r\nfishA,\x97\xa4\x8b\xe0,\x82\xbf\x82\xe1\x82\xf1,0\r\nfishB,Kind B,Bee,2\r\n"
motion = (b"// goldfish\r\nFPS(30)\r\nMotionNum(4)\r\nScale(1.5)\r\nTrack(0, 0, 0, 60)\r\n"
          b"Name(\"\x8b\xe0\x8b\x9b\")\r\nFPS(@i)\r\nScale(@r)\r\nName(@s)\r\nEnd()\r\n")

put("pack", "two_members", pack([(b"header.bin", header), (b"fishA.x", b"xof 0303txt 0032\r\n")]))
put("pack", "forged_count", pack([(b"a", b"AB")], count=0xFFFFFFFF))
put("pack", "duplicates", pack([(b"a", b"first"), (b"a", b"second"), (b"abcdefghijklmnopqrstuvw", b"")]))
put("pack", "past_end", pack([(b"header.bin", b"x" * 1000)])[:60])
put("pack", "empty", pack([]))

put("script", "motion", motion)
put("script", "topics", b"Update(\"0.44\")\r\nTopixCount(2)\r\nTopixText(0,\"line\")\r\nEnd()")
put("script", "lf_only", b"// comment\nFPS(30)\nEnd()\n")
put("script", "long_token", b"Name(\"" + b"x" * 300 + b"\")\r\nEnd()")

def catalog_seed(flags, ticks, ref, hdr, ledger):
    return bytes([flags]) + struct.pack("<II", ticks, ref) + struct.pack("<H", len(hdr)) + hdr + ledger

put("catalog", "new_ledger", catalog_seed(0, 1000, 0, header, b""))
put("catalog", "unlock", catalog_seed(1, 3 * 3600000, 0, header, struct.pack("<ii", 0, 2)))
put("catalog", "short_ledger", catalog_seed(1, 5, 0, header, b"\0\0\0\0\x07"))
put("catalog", "forged_count", catalog_seed(0, 0, 0, b"2000000000\r\na,b,c,1\r\n", b""))
