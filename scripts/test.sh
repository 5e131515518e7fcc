#!/usr/bin/env bash
# Sets up and runs every test: the unit and integration tests (gcc), the Windows build with the
# core's unit tests and the Win32 services' tests under wine (once), the same Linux suite under
# AddressSanitizer and UndefinedBehaviorSanitizer (clang), and each libFuzzer target for a bounded
# time on its seed corpus. Builds from nothing; safe to run twice. Exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/deps.sh || exit 1
jobs=$(nproc)
status=0

echo "== gcc build and tests"
cmake -S . -B build/gcc -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
cmake --build build/gcc -j "$jobs" || exit 1
(cd build/gcc && ctest -j "$jobs" --output-on-failure) || status=1

echo "== Windows build (MinGW-w64) and tests under wine"
bash scripts/test_windows.sh || status=1

echo "== clang build with AddressSanitizer, UndefinedBehaviorSanitizer and the fuzz targets"
# -O1 with line tables only, as the sanitizers advise: the unit tests take under half their -O0 time
# and the reports still name file and line; assertions stay on.
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_FLAGS_DEBUG="-O1 -gline-tables-only" \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only" -DBRINE_SANITIZE=ON -DBRINE_FUZZ=ON \
  -DBRINE_FUZZ_SECONDS="${BRINE_FUZZ_SECONDS:-10}" >/dev/null || exit 1
cmake --build build/asan -j "$jobs" || exit 1
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The desktop manager and Wayland session tests run in the gcc pass only.
(cd build/asan && ctest -j "$jobs" --output-on-failure -LE "desktop_managers|wayland") || status=1

exit $status
