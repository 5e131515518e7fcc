#!/usr/bin/env bash
# The same scenes on two devices (tools/scenes): the Linux build's OpenGL device and the program's
# Direct3D 9 device on Wine's Direct3D 9, compared pixel by pixel; the agreement table is printed
# and kept as OUTDIR/agreement.txt beside the pictures and their differences. Run by ctest in the
# Windows build, on the X server and in the wine prefix of scripts/test_windows.sh.
# usage: scenes_compare.sh LINUX_SCENES WINDOWS_SCENES_EXE OUTDIR
set -uo pipefail
linux=$1 windows=$2 out=$3
if [ ! -x "$linux" ]; then
  echo "no OpenGL scenes tool at $linux (scripts/test_windows.sh builds it in the Linux build)"
  exit 1
fi
rm -rf "$out"
mkdir -p "$out/opengl" "$out/direct3d9" "$out/diff"
# One side a core: the OpenGL pictures take a few seconds, wine's most of the time.
"$linux" draw "$out/opengl" >"$out/opengl.log" 2>&1 &
gl=$!
wine "$windows" draw "$out/direct3d9" >"$out/direct3d9.log" 2>&1
d3d=$?
wait "$gl"
glstatus=$?
status=0
for side in opengl:$glstatus direct3d9:$d3d; do
  if [ "${side#*:}" -ne 0 ]; then
    echo "the ${side%:*} pictures were not all drawn:"
    grep -v '^QStandardPaths' "$out/${side%:*}.log"
    status=1
  fi
done
"$linux" compare "$out/opengl" "$out/direct3d9" --diff "$out/diff" >"$out/agreement.txt" || status=1
cat "$out/agreement.txt"
exit $status
