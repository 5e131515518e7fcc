#!/usr/bin/env bash
# Builds the Debian package from nothing: the packages the build needs, a release build, then
# CPack's DEB generator over the same install rules as `cmake --install`. Prints the .deb's path.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build/gcc -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/gcc -j "$(nproc)"
(cd build/gcc && cpack -G DEB >/dev/null)
ls "$(pwd)"/build/gcc/package/brinelight_*.deb
