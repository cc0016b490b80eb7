#!/bin/sh
# The texts that carry the version but are not built from it (the
# translations' headers and the manual page) name the project's version.
set -eu
root=$1
version=$2
status=0
for po in "$root"/po/*.po "$root"/po/xelto.pot; do
  if ! grep -qx "\"Project-Id-Version: xpdb $version\\\\n\"" "$po"; then
    echo "$po: Project-Id-Version is not xpdb $version"
    status=1
  fi
done
if ! head -n 1 "$root/docs/xpdb.1" | grep -q "\"xpdb $version\""; then
  echo "docs/xpdb.1: the title line does not name xpdb $version"
  status=1
fi
exit $status
