#!/usr/bin/env bash
# Drives tests/windows/win_scenario.cpp from outside under wine: the settings read back with
# wine's reg tool, a message box found by its caption (the X window's name) and dismissed, a dialog
# closed with Escape, the tray menu opened by a right click on wine's tray window and an item
# picked, two copies of the program. Screenshots of the menu and the dialog are left to look at.
# Needs WINEPREFIX and DISPLAY (scripts/test_windows.sh sets them). Usage: scenarios.sh SCENARIO.EXE
set -uo pipefail
exe=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# A scene's console output without the CR that wine's text-mode stdout adds.
# Through a file, not a pipe: wine's service processes would hold a pipe open.
scene() { wine "$exe" "$@" >"$work/scene.out" 2>/dev/null; tr -d '\r' <"$work/scene.out"; }
lines() { tr -d '\r' <"$work/$1.out"; }

# Starts a scene in the background with its output in $work/NAME.out; waits for its "ready".
start() {
  local name=$1; shift
  wine "$exe" "$@" >"$work/$name.out" 2>"$work/$name.err" &
  eval "${name}_pid=$!"
  for _ in $(seq 100); do lines "$name" | grep -q '^ready' && return 0; sleep 0.1; done
  fail "$name never got ready: $(cat "$work/$name.out" "$work/$name.err")"
  return 1
}
# Waits until the scene's output has the line, for at most 10 s.
expect_line() {
  local name=$1 line=$2
  for _ in $(seq 100); do lines "$name" | grep -qx "$line" && return 0; sleep 0.1; done
  fail "$name: no line '$line' in: $(lines "$name" | tr '\n' '|')"
}
# Waits for a scene to end by itself within 10 s; ends it otherwise (a failure).
finish() {
  local name=$1 pid
  pid=$(eval echo "\$${name}_pid")
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || { wait "$pid"; return $?; }; sleep 0.1; done
  fail "$name did not end"
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  return 1
}
# The id of the first mapped X window whose name matches, within 10 s.
find_window() {
  local w
  for _ in $(seq 100); do
    w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}

echo "== settings in the registry, read back with reg query"
key='HKCU\Software\Orvane\Brinelight Vespera'
wine reg delete "$key" /f >/dev/null 2>&1
out=$(scene settings)
[ "$out" = saved ] || fail "settings: $out"
wine reg query "$key" >"$work/query.out" 2>&1
query=$(tr -d '\r' <"$work/query.out")
for want in 'NAMES    REG_DWORD    0x1' 'SATIETY    REG_DWORD    0x0' 'WALLTYPE    REG_DWORD    0x3f0' \
            'STARTUP    REG_DWORD    0x1e240' 'BBSIZE    REG_DWORD    0x3' \
            'WALLFILE    REG_BINARY    433A5CE5A3815C612E6A7067'; do
  grep -qF "    $want" <<<"$query" || fail "reg query lacks '$want' in: $query"
done
wine reg delete "$key" /f >/dev/null 2>&1

echo "== a message box found by its caption and dismissed"
if start box box; then
  if w=$(find_window '^警告$'); then
    xdotool windowfocus --sync "$w" key Return
    expect_line box 'answer 1'
  else
    fail "no window named 警告"
  fi
  finish box
fi

echo "== a dialog from the tables, closed with Escape"
if start dialog dialog; then
  if w=$(find_window '^環境設定$'); then
    command -v import >/dev/null && import -window "$w" settings-dialog.png
    xdotool windowfocus --sync "$w" key Escape
    expect_line dialog 'ended 2'
  else
    fail "no window named 環境設定"
  fi
  finish dialog
fi

echo "== the tray menu by a right click on wine's tray"
if start tray tray; then
  if tray_window=$(find_window '^Wine System Tray$'); then
    xdotool mousemove --window "$tray_window" 10 10 click 3
    sleep 1
    command -v import >/dev/null && import -window root tray-menu.png  # to look at, not compared
    xdotool key Down Return  # the first item: エサ投入
    expect_line tray 'chosen 40006'
    xdotool mousemove --window "$tray_window" 10 10 click 3
    sleep 1
    xdotool key Up Return  # the last item: 終了
    expect_line tray 'chosen 40002'
  else
    fail "no Wine System Tray window"
  fi
  finish tray || fail "tray scene ended badly"
fi

echo "== a second copy sees the first by its main window"
[ "$(scene instance)" = alone ] || fail "a copy was reported before any ran"
if start hold hold; then
  [ "$(scene instance)" = running ] || fail "the running copy was not seen"
  [ "$(scene close)" = closed ] || fail "could not close the running copy"
  expect_line hold exit
  finish hold
  [ "$(scene instance)" = alone ] || fail "the closed copy was still seen"
fi

[ "$failures" -eq 0 ] && echo "all scenarios passed"
exit $((failures > 0))
