#!/usr/bin/env bash
# Replays fuzz corpora through harnesses built without sanitizers, so that
# time and memory are those of a real host: every input must read within
# 1 s and the whole process must stay under 256 MiB.
# usage: scripts/fuzz-limits.sh [CORPUS_ROOT]   (default: fuzz/corpus; one folder per harness)
set -euo pipefail
cd "$(dirname "$0")/.."
root=${1:-fuzz/corpus}
build=${FUZZ_PLAIN_BUILD:-build-fuzz-plain}
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DXPDB_FUZZ=ON -DXPDB_FUZZ_SANITIZE=OFF -DXPDB_TESTS=OFF -DXPDB_BENCH=OFF >/dev/null
cmake --build "$build" >/dev/null
status=0
for dir in "$root"/*/; do
  name=$(basename "$dir")
  h=fuzz_${name#fuzz_}
  [ -x "$build/bin/$h" ] || continue
  inputs=$(find "$dir" -type f | wc -l)
  if "$build/bin/$h" -runs=0 -timeout=1 -rss_limit_mb=256 -max_len=1048576 "$dir" > "$build/$h.limits.log" 2>&1; then
    echo "$h: $inputs inputs within 1 s and 256 MiB ($(grep -o 'rss: [0-9]*Mb' "$build/$h.limits.log" | tail -1))"
  else
    tail -n 20 "$build/$h.limits.log"
    echo "!! $h: an input broke a limit"
    status=1
  fi
done
exit $status
