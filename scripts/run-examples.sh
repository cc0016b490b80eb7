#!/usr/bin/env bash
# Runs the command-line host over the bundled example parts: the package and
# its modules, which module accepts each example, a read of each, a
# conversion of each to version 9 that is read back, and a picture of each in
# BUILD_DIR/renders/<name>.png.
#
# Usage: scripts/run-examples.sh BUILD_DIR
# An example whose name contains "broken" is expected to fail its read (exit
# 1); any other failure makes the script exit non-zero. XPDB_EXAMPLES names
# another folder of parts.
set -uo pipefail

build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
case $build in /*) ;; *) build=$PWD/$build ;; esac
xpdb=$build/bin/xpdb
if [ ! -x "$xpdb" ]; then
  echo "run-examples: $xpdb not found; build first (make build)" >&2
  exit 1
fi

failures=0
# run EXPECTED_EXIT ARGS...: runs xpdb, shows the command and its output.
run() {
  local expected=$1
  shift
  echo "\$ xpdb $*"
  "$xpdb" "$@"
  local code=$?
  if [ "$code" -ne "$expected" ]; then
    echo "run-examples: 'xpdb $*' exited with $code, expected $expected" >&2
    failures=$((failures + 1))
  fi
  echo
}

cd "$root" || exit 1
run 0 modules

shopt -s nullglob
examples_dir=${XPDB_EXAMPLES:-examples}
examples=("$examples_dir"/*.pdb)
if [ ${#examples[@]} -eq 0 ]; then
  echo "run-examples: no example parts in $examples_dir/"
  exit $((failures > 0))
fi

good=()
for f in "${examples[@]}"; do
  case $(basename "$f") in *broken*) ;; *) good+=("$f") ;; esac
done
[ ${#good[@]} -gt 0 ] && run 0 detect "${good[@]}"

for f in "${examples[@]}"; do
  case $(basename "$f") in
    *broken*) run 1 read "$f" ;;
    *) run 0 read "$f" ;;
  esac
done

# Number of sets a read of the file yields.
set_count() { "$xpdb" read "$1" --json 2>/dev/null | grep -c '"type"'; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for f in "${good[@]}"; do
  out=$scratch/$(basename "$f" .pdb)_v9.pdb
  run 0 convert "$f" "$out"
  before=$(set_count "$f")
  after=$(set_count "$out")
  if [ "$before" != "$after" ]; then
    echo "run-examples: $f has $before sets, its version-9 copy $after" >&2
    failures=$((failures + 1))
  else
    echo "read back: $after sets, as in $f"
  fi
  echo
done

renders=$build/renders
mkdir -p "$renders"
for f in "${good[@]}"; do
  run 0 render "$f" -o "$renders/$(basename "$f" .pdb).png"
done

if [ "$failures" -gt 0 ]; then
  echo "run-examples: $failures unexpected result(s)" >&2
  exit 1
fi
echo "run-examples: ${#examples[@]} examples, all as expected"
