#!/bin/sh
# The package library $1 exports every entry point under its plain name and no
# other QXM name (a lost C linkage or a drifted module table shows here), and
# keeps the start-up internals and GLU hidden. (ASan adds its own __odr_asan aliases.)
set -eu
expected=$(mktemp)
trap 'rm -f "$expected"' EXIT
{
  echo QXMCoreVersion
  for f in Size Name Version Description Setup NewColourMaterial ColourMaterial ColourIndex ColourName \
    ColourBase; do echo "QXMPkg$f"; done
  for n in 0 1 2 3 4 5; do
    for f in GetType GetName GetVersion GetDescription GRGetSampleSize GRGetFilter GRGetWritePriority \
      GRRead GRCanHandle GRWrite GRCanWrite; do echo "QXMM$n$f"; done
  done
} | sort >"$expected"
status=0
if ! nm -D --defined-only "$1" | awk '{print $NF}' | grep QXM | grep -v '^__odr_asan' | sort | diff "$expected" -; then
  echo "QXM symbols differ from the expected ones (<: missing, >: unexpected)"
  status=1
fi
if nm -DC --defined-only "$1" | grep -E 'InitTextDomain|SetEnvFromRegistry|TranslateText|SettingsFiles|CatalogueDirectory'; then
  echo "internals exported"
  status=1
fi
# GLU is compiled in with its names kept local: no GLU name leaves the
# package, and the system's libGLU is not needed.
if nm -DC --defined-only "$1" | grep -E ' (glu[A-Z]|__glu|GLUnurbs|NurbsTessellator|Subdivider)'; then
  echo "GLU exported"
  status=1
fi
if readelf -d "$1" | grep -i 'NEEDED.*libGLU'; then
  echo "needs the system libGLU"
  status=1
fi
[ "$status" -eq 0 ] && echo "$(wc -l <"$expected") entry points exported, internals hidden"
exit "$status"
