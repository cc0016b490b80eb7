#!/usr/bin/env bash
# Fails, naming the files, when clang-format-14 would change any C++ source
# or header that git tracks (the repository's .clang-format decides).
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.cc' '*.hpp' '*.c')
unformatted=()
for f in "${files[@]}"; do
  if ! clang-format-14 --dry-run --Werror "$f" >/dev/null 2>&1; then unformatted+=("$f"); fi
done
if ((${#unformatted[@]})); then
  printf 'not formatted (clang-format-14 -i FILE):\n' >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
echo "format-check: ${#files[@]} files formatted"
