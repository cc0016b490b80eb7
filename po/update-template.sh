#!/bin/sh
# Writes the catalogue template from the sources: po/xelto.pot, or the file
# given as the only argument. The creation date is left out so that the
# template only changes when a text does.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/po/xelto.pot}
cd "$root"
# The version is the project's, as CMakeLists.txt declares it.
version=$(sed -n 's/^project(xpdb VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
test -n "$version"
xgettext --language=C++ --from-code=UTF-8 -k -kN_ -kTranslateText -kxHostTranslate \
  --package-name=xpdb --package-version="$version" --no-location --sort-output -o - \
  package/*.cpp host/xmessage.cpp | sed '/^"POT-Creation-Date: /d' >"$out"
