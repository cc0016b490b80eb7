#!/bin/sh
# Checks the dynamic symbol table of the package library given as $1: every
# entry point is exported under its plain name, nothing else named QXM is, and
# the start-up internals stay hidden.
set -eu
lib=$1
symbols=$(nm -D --defined-only "$lib" | awk '{print $NF}')
demangled=$(nm -DC --defined-only "$lib")
status=0

expected="QXMCoreVersion QXMPkgSize QXMPkgName QXMPkgVersion QXMPkgDescription QXMPkgSetup"
for n in 0 1 2 3 4 5; do
  for f in GetType GetName GetVersion GetDescription GRGetSampleSize GRGetFilter GRGetWritePriority \
    GRRead GRCanHandle GRWrite GRCanWrite; do
    expected="$expected QXMM$n$f"
  done
done

for name in $expected; do
  if ! printf '%s\n' "$symbols" | grep -qx "$name"; then
    echo "not exported: $name"
    status=1
  fi
done

# Mangled or unexpected QXM names mean a declaration lost its C linkage or the
# module table and the exported names have drifted apart.
found=$(mktemp)
wanted=$(mktemp)
trap 'rm -f "$found" "$wanted"' EXIT
printf '%s\n' "$symbols" | grep QXM | sort >"$found" || true
printf '%s\n' $expected | sort >"$wanted"
if ! cmp -s "$found" "$wanted"; then
  echo "QXM symbols differ from the expected ones:"
  diff "$wanted" "$found" || true
  status=1
fi

for name in InitTextDomain SetEnvFromRegistry TranslateText SettingsFiles CatalogueDirectory; do
  if printf '%s\n' "$demangled" | grep -q "$name"; then
    echo "exported but internal: $name"
    status=1
  fi
done

count=$(printf '%s\n' $expected | wc -l)
[ "$status" -eq 0 ] && echo "all $count entry points exported, internals hidden"
exit "$status"
