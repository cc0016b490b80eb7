#!/bin/sh
# Writes the catalogue template from the sources: po/xelto.pot, or the file
# given as the only argument. The creation date is left out so that the
# template only changes when a text does.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/po/xelto.pot}
cd "$root"
xgettext --language=C++ --from-code=UTF-8 -k -kN_ -kTranslateText -kxHostTranslate \
  --package-name=xpdb --package-version=3.2.1 --no-location --sort-output -o - \
  package/*.cpp host/xmessage.cpp | sed '/^"POT-Creation-Date: /d' >"$out"
