#!/bin/sh
# packtool check on packs made broken on purpose from a sound one: each flaw must fail the check
# (exit status 1) and be named in the report so a content maker can find it.
# usage: check_broken_test.sh PACKTOOL SOUND_PACK SCRATCH_DIR
tool=$1 pack=$2 dir=$3
rm -rf "$dir" && mkdir -p "$dir" && cd "$dir" || exit 1

expect() {  # expect REPORT PATTERN
    grep -q -- "$2" "$1" || { echo "missing in $1: $2"; cat "$1"; exit 1; }
}
run_check() {  # run_check PACK REPORT: the check must fail
    "$tool" check "$1" > "$2" 2>&1
    status=$?
    [ "$status" -eq 1 ] || { echo "expected exit status 1 for $1, got $status"; cat "$2"; exit 1; }
}

# A kind without members, a motion record past the end of its animation, a mesh whose textures
# were left out, a default name too long for a fish.
"$tool" extract "$pack" wakin.x wakin.x || exit 1
"$tool" extract "$pack" wakin.mrc sound.mrc || exit 1
sed 's/TrackRecord *( *2 *,\([^,]*\),\([^,]*\),[^)]*)/TrackRecord(2,\1,\2,99999)/' sound.mrc > wakin.mrc
cmp -s sound.mrc wakin.mrc && { echo "the motion script was not changed"; exit 1; }
printf '3\r\nwakin,Kin,Kinchan,0\r\nghost,Ghost,Boo,0\r\nwakin2,Kin,ABCDEFGHIJKLMNOPQRSTUVWXYZ,x\r\n' > header.bin
"$tool" create broken.pak header.bin wakin.x wakin.mrc || exit 1
run_check broken.pak report.txt
expect report.txt 'PROBLEM ghost.x: missing'
expect report.txt 'PROBLEM ghost.mrc: missing'
expect report.txt 'TrackRecord(2) Dash: ends at frame 99999'
expect report.txt 'PROBLEM texture .*the pack has no member'
expect report.txt 'header.bin line 4: the default fish name is 26 bytes'
expect report.txt 'header.bin line 4: the hold-back hours (field 4) "x" are not a decimal number'

# Not a pack at all.
printf 'hello' > notapack.pak
run_check notapack.pak report2.txt
expect report2.txt 'not a pack archive'

# A pack without the catalog member.
"$tool" create nocatalog.pak wakin.x || exit 1
run_check nocatalog.pak report3.txt
expect report3.txt 'header.bin: missing or unreadable'
echo "all broken packs refused"
