#!/usr/bin/env bash
# ctest's emulator for the Windows build: wine with the program's output going through a file.
# Wine's service processes, started by whichever program runs first, inherit its output and
# would keep a pipe to ctest open for ever.
out=$(mktemp)
wine "$@" >"$out" 2>&1
status=$?
tr -d '\r' <"$out"
rm -f "$out"
exit $status
