#!/usr/bin/env bash
# Builds the Windows program from nothing: brinelight.exe, cross-built with MinGW-w64 (64-bit,
# static runtime, -O1), beside the content a Linux build's tools make (fishgen's packs, wallpaper
# and extension file; appicon's .ico, built into the program as its icon), with the starter roster
# for a first run; then a zip of that folder. Prints where both are. The Windows tests
# (scripts/test_windows.sh) build on the same tree.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/deps.sh
bash scripts/deps.sh windows
jobs=$(nproc)

# The content comes from tools that run here.
cmake -S . -B build/gcc -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/gcc -j "$jobs" --target fishgen_content appicon_images shipped_files

# -O1 without debug information: half the compile time of -O2 -g on a build that is mostly tests.
cmake -S . -B build/mingw -G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O1 -DNDEBUG" \
  "-DCMAKE_C_FLAGS_RELEASE=-O1 -DNDEBUG" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DBRINE_CONTENT_DIR="$root/build/gcc/program" -DBRINE_ICON_FILE="$root/build/gcc/icons/brinelight.ico" >/dev/null
cmake --build build/mingw -j "$jobs" --target brinelight fishgen_content

program=build/mingw/program
[ -f "$program/fishsave.bin" ] || cp build/gcc/shipped/fishsave.bin "$program/fishsave.bin"

# The zip holds what is shipped, not what a run of the program directory wrote since.
version=$(sed -n 's/^project(Brinelight VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
stage=build/windows/Brinelight
rm -rf build/windows
mkdir -p "$stage/object" "$stage/extensions"
cp "$program/brinelight.exe" "$program/initialize.pak" "$program/texture.pak" "$program/bg_sprite1.jpg" "$stage/"
cp "$program/object/fish1.pak" "$program/object/fish2.pak" "$stage/object/"
cp "$program/extensions/tancho.exd" "$stage/extensions/"
cp build/gcc/shipped/fishsave.bin "$stage/"
zip="brinelight-$version-windows-x64.zip"
(cd build/windows && cmake -E tar cf "$zip" --format=zip Brinelight)
echo "Windows program directory: $root/$program"
echo "Zip: $root/build/windows/$zip"
