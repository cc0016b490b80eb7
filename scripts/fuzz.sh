#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang and runs each for SECONDS.
# usage: scripts/fuzz.sh SECONDS [harness...]   (default: every harness)
# fuzz_read_m3_tol, _m4_tol and _m5_tol read with the command-line host's
# default surface tolerance registered, the others with none.
# A finding (crash, leak, timeout, memory blow-up) stops with a non-zero exit;
# its input lands in fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
build=${FUZZ_BUILD:-build-fuzz}

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DXPDB_FUZZ=ON -DXPDB_TESTS=OFF -DXPDB_BENCH=OFF >/dev/null
cmake --build "$build"

harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
  harnesses=(fuzz_read_m0 fuzz_read_m1 fuzz_read_m2 fuzz_read_m3 fuzz_read_m4 fuzz_read_m5
    fuzz_read_m3_tol fuzz_read_m4_tol fuzz_read_m5_tol fuzz_roundtrip)
fi

mkdir -p fuzz/artifacts
# The leak checker stops every thread; Mesa then works in the calling thread
# so that no driver thread comes or goes while it does.
export LP_NUM_THREADS=0 MESA_SHADER_CACHE_DISABLE=true GALLIUM_THREAD=0
status=0
for h in "${harnesses[@]}"; do
  # A _tol harness (the default surface tolerance registered) shares its module's seeds.
  seeds=fuzz/corpus/${h#fuzz_}
  seeds=${seeds%_tol}
  work=$build/corpus/${h#fuzz_}
  mkdir -p "$work" "$seeds"
  echo "== $h: ${seconds}s"
  # Limits: a read of at most 64 KiB within a second (with sanitizer
  # overhead, 3), and no single allocation over 256 MiB.
  if ! ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0 LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan.supp \
    "$build/bin/$h" -max_total_time="$seconds" -max_len=65536 -timeout=3 \
    -rss_limit_mb=2048 -malloc_limit_mb=256 -print_final_stats=1 \
    -artifact_prefix=fuzz/artifacts/ "$work" "$seeds" 2> "$build/$h.log"; then
    tail -n 40 "$build/$h.log"
    echo "!! $h found a problem (log: $build/$h.log)"
    status=1
  else
    grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$build/$h.log" | sed "s/^/   /"
  fi
done
exit $status
