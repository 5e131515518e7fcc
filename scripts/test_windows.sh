#!/usr/bin/env bash
# The Windows part of the test command: builds the Windows program (scripts/build_windows.sh), then
# the core's unit tests and platform/windows' tests with MinGW-w64 (build/mingw), and runs them, the
# compared scenes (against the Linux build's OpenGL device) and the program itself under wine, in
# a prefix of their own under the build directory and on an Xvfb display of their own. Exits
# non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
# The program directory and its zip (scripts/build_windows.sh), then everything the tests need.
bash scripts/build_windows.sh || exit 1
cmake --build build/mingw -j "$(nproc)" || exit 1
# The OpenGL side of the compared scenes comes from the Linux build.
cmake --build build/gcc -j "$(nproc)" --target scenes || exit 1

export WINEPREFIX=$root/build/mingw/wineprefix WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko installers on the first start, and no crash debugger waiting for a human.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
if [ ! -f "$WINEPREFIX/.brine-ready" ]; then
  echo "== a fresh wine prefix in $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  wine wineboot -i >/dev/null 2>&1 || { echo "wineboot failed"; exit 1; }
  # Without font links, message boxes, menus and dialogs show Japanese as empty boxes (menus and
  # dialogs draw with Tahoma here).
  for face in 'Liberation Sans' Tahoma; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v "$face" /t REG_MULTI_SZ /d 'ipagp.ttf,IPAPGothic' /f >/dev/null 2>&1 || exit 1
  done
  # The program's faces as a Japanese Windows has them (the dialogs ask for ＭＳ Ｐゴシック).
  for pair in 'ＭＳ Ｐゴシック=IPAPGothic' 'ＭＳ ゴシック=IPAGothic'; do
    LC_ALL=C.UTF-8 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
      /v "${pair%%=*}" /t REG_SZ /d "${pair#*=}" /f >/dev/null 2>&1 || exit 1
  done
  wineserver -w
  touch "$WINEPREFIX/.brine-ready"
fi

# An X server of our own for wine's windows, on the first free display.
run=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$run/display" >"$run/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$run/display" ] && break; sleep 0.1; done
if [ ! -s "$run/display" ]; then
  echo "Xvfb did not start: $(cat "$run/xvfb.log")"
  kill "$xvfb" 2>/dev/null
  exit 1
fi
export DISPLAY=:$(cat "$run/display")
# One wineserver for every test process, so that each start costs a tenth of a second.
wineserver -p

echo "== Windows tests under wine (display $DISPLAY)"
rm -rf build/mingw/scenes-compare
(cd build/mingw && ctest -j "$(nproc)" --output-on-failure)
status=$?
if [ -f build/mingw/scenes-compare/agreement.txt ]; then
  echo "== the compared scenes: Direct3D 9 under wine against OpenGL (pictures in build/mingw/scenes-compare)"
  cat build/mingw/scenes-compare/agreement.txt
fi

wineserver -k
wineserver -w
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
rm -rf "$run"
exit $status
