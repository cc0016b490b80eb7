#!/bin/sh
# The committed template matches the texts in the sources, and every
# translation covers the whole template.
set -eu
root=$1
fresh=$(mktemp)
trap 'rm -f "$fresh"' EXIT
"$root/po/update-template.sh" "$fresh"
if ! cmp -s "$fresh" "$root/po/xelto.pot"; then
  echo "po/xelto.pot is out of date; run the xpdb_pot target:"
  diff "$root/po/xelto.pot" "$fresh" || true
  exit 1
fi
for po in "$root"/po/*.po; do
  msgcmp "$po" "$root/po/xelto.pot"
  msgfmt --check -o /dev/null "$po"
done
echo "template current, translations complete"
