#!/usr/bin/env bash
# Reads parts through the package with the command-line host and counts the
# errors GLU reports while tessellating their surfaces ("Nurbs Error: TEXT"
# on standard error): one line per input, then a table by error text.
#
# Usage: scripts/glu-errors.sh [--module N] [--tolerance T] XPDB FILE_OR_FOLDER...
#   XPDB is the host program (build/bin/xpdb); folders are read file by file.
#   --module N reads every input through module N, as the fuzz harnesses do.
# Per input: the exit status of the read, its triangles, and its GLU errors.
set -uo pipefail

options=()
while [ $# -gt 0 ]; do
  case $1 in
    --module | --tolerance) options+=("$1" "$2"); shift 2 ;;
    *) break ;;
  esac
done
if [ $# -lt 2 ] || [ ! -x "$1" ]; then
  echo "usage: $0 [--module N] [--tolerance T] XPDB FILE_OR_FOLDER..." >&2
  exit 2
fi
xpdb=$1
shift

errors=$(mktemp)
trap 'rm -f "$errors" "$errors.out"' EXIT
inputs=0
printf '%-60s %4s %9s  %s\n' input exit triangles "GLU errors"
while IFS= read -r -d '' file; do
  inputs=$((inputs + 1))
  EGL_LOG_LEVEL=fatal timeout 60 "$xpdb" read "$file" --json "${options[@]}" >"$errors.out" 2>"$errors.err"
  code=$?
  triangles=$(grep -o '"triangles": *[0-9]*' "$errors.out" | awk -F: '{t += $2} END {print t + 0}')
  summary=$(sed -n 's/^Nurbs Error: //p' "$errors.err" | sort | uniq -c | awk '{n = $1; $1 = ""; printf "%s%d x%s", sep, n, $0; sep = "; "}')
  sed -n "s|^Nurbs Error: |$inputs\t|p" "$errors.err" >>"$errors"
  printf '%-60s %4s %9s  %s\n' "${file#"$PWD"/}" "$code" "$triangles" "${summary:--}"
  rm -f "$errors.err"
done < <(find "$@" -type f ! -name '*.py' -print0 | sort -z)

echo
echo "$inputs inputs; GLU errors by text (reports, inputs):"
if [ ! -s "$errors" ]; then
  echo "  none"
  exit 0
fi
awk -F'\t' '{reports[$2]++; if (!seen[$2 SUBSEP $1]++) inputs[$2]++}
  END {for (t in reports) printf "  %6d %6d  %s\n", reports[t], inputs[t], t}' "$errors" | sort -k1,1nr
