#!/usr/bin/env bash
# Replays fuzz corpora through harnesses built without sanitizers, so that
# time and memory are those of a real host: every input must read within
# 1 s and the whole process must stay under 256 MiB. The surface modules are
# replayed twice: with no tolerance registered and with the command-line
# host's default. Then `xpdb read` (its default tolerance) of the 1 MiB
# surface worst cases of fuzz/make_stress.py is held to the same limits.
# usage: scripts/fuzz-limits.sh [CORPUS_ROOT]   (default: fuzz/corpus; one folder per harness)
set -euo pipefail
cd "$(dirname "$0")/.."
root=${1:-fuzz/corpus}
build=${FUZZ_PLAIN_BUILD:-build-fuzz-plain}
app_build=${XPDB_BUILD:-build}
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DXPDB_FUZZ=ON -DXPDB_FUZZ_SANITIZE=OFF -DXPDB_TESTS=OFF -DXPDB_BENCH=OFF >/dev/null
cmake --build "$build" >/dev/null
status=0
for dir in "$root"/*/; do
  name=$(basename "$dir")
  for h in "fuzz_${name#fuzz_}" "fuzz_${name#fuzz_}_tol"; do
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
done

# The command-line host as a user runs it: the whole process, start-up
# included. Its processor time is held to the second (on a shared machine the
# wall time also counts other people's work; it is printed beside it).
[ -x "$app_build/bin/xpdb" ] || cmake --build "$app_build" --target xpdb_app xpdb >/dev/null
stress=$(mktemp -d)
trap 'rm -rf "$stress"' EXIT
python3 fuzz/make_stress.py "$stress" >/dev/null
for file in "$stress"/read_m*/rough_*; do
  name="xpdb read $(basename "$file") ($(stat -c %s "$file") bytes)"
  if ! /usr/bin/time -f '%U %S %e %M' -o "$stress/usage" timeout 20 "$app_build/bin/xpdb" read "$file" >/dev/null 2>&1; then
    echo "!! $name: failed"
    status=1
    continue
  fi
  read -r user sys wall kib < "$stress/usage"
  figures="$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }') s of processor time (${wall} s wall), $((kib / 1024)) MiB"
  if awk -v u="$user" -v s="$sys" -v k="$kib" 'BEGIN { exit !(u + s <= 1.0 && k <= 262144) }'; then
    echo "$name: $figures"
  else
    echo "!! $name: $figures: over 1 s or 256 MiB"
    status=1
  fi
done
exit $status
