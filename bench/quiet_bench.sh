#!/usr/bin/env bash
# Figures of the running program against a baseline commit, both built here: CPU (% of one core,
# all threads) and resident memory under Xvfb at 1280x1024 with ten fish, visible and with a
# window covering the screen; shot --bench frame times at 800x600 and 1280x1024; start to first
# frame. Several runs, baseline and this tree alternating, medians reported.
#   bash bench/quiet_bench.sh BASELINE_COMMIT [RUNS]     (BRINE_BENCH_SECONDS: 30 by default)
# The baseline is built in a detached git worktree under /tmp; this tree in build/gcc.
set -euo pipefail
base=${1:?usage: bench/quiet_bench.sh BASELINE_COMMIT [RUNS]}
runs=${2:-3}
root=$(cd "$(dirname "$0")/.." && pwd)
sha=$(git -C "$root" rev-parse --verify "$base^{commit}")
basetree=/tmp/brine-bench-$sha
if [ ! -d "$basetree" ]; then
  git -C "$root" worktree add --detach "$basetree" "$sha" >/dev/null
fi
build() {
  cmake -S "$1" -B "$1/build/gcc" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$1/build/gcc" -j2 --target brinelight shot fishgen_content >/dev/null
}
echo "building the baseline $sha in $basetree"
build "$basetree"
echo "building this tree ($(git -C "$root" rev-parse --short HEAD)$(git -C "$root" diff --quiet || echo '+changes'))"
build "$root"
exec python3 "$root/bench/quiet_bench.py" --runs "$runs" --seconds "${BRINE_BENCH_SECONDS:-30}" \
  --source-dir "$root" baseline="$basetree/build/gcc" new="$root/build/gcc"
