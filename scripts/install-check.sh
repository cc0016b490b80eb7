#!/usr/bin/env bash
# Installs a build into a scratch prefix and uses it as a user would: the
# installed program, the message catalogue, the manual page, and a separate
# host project built against the package with CMake and with pkg-config.
#
# Usage: scripts/install-check.sh BUILD_DIR
set -euo pipefail

build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
case $build in /*) ;; *) build=$PWD/$build ;; esac
prefix=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$prefix" "$work"' EXIT
fail() { echo "install-check: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/xpdb lib/libxpdb.so lib/libxhost.so include/xpdb/package/qxm.h include/xpdb/host/xstream.h \
  share/locale/de/LC_MESSAGES/xelto.mo lib/cmake/xpdb/xpdbConfig.cmake lib/pkgconfig/xpdb.pc \
  share/man/man1/xpdb.1; do
  [ -e "$prefix/$f" ] || fail "$f was not installed"
done
echo "install-check: installed into a scratch prefix"

# GLU is compiled into the package: nothing installed asks for the system's.
if readelf -d "$prefix/lib/libxpdb.so" | grep -qi 'NEEDED.*libGLU'; then fail "libxpdb.so needs libGLU"; fi
if grep -rliE 'libGLU|\<glu\>' "$prefix/lib/cmake" "$prefix/lib/pkgconfig"; then fail "the package files ask for GLU"; fi
if grep -rl 'xpdb_glu' "$prefix/lib/cmake"; then fail "the CMake package names the GLU build"; fi
echo "install-check: the installed package needs no libGLU"

# The installed program finds its package and reads an example.
part=$root/examples/gripper_finger_v9.pdb
"$prefix/bin/xpdb" read "$part" >/dev/null || fail "the installed xpdb cannot read $part"
# ...and the package finds its installed catalogue.
modules=$(env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG=de_DE.UTF-8 "$prefix/bin/xpdb" modules)
case $modules in *Paket*) ;; *) fail "no German texts from the installed catalogue" ;; esac
echo "install-check: the installed xpdb reads parts and speaks German"

# The installed Python module finds its package and catalogue from where it lies.
site=$(cd "$prefix" && find lib -path '*/dist-packages/xpdb/__init__.py' | head -n 1)
[ -n "$site" ] || fail "the Python module was not installed"
env -u XPDB_LIBRARY PYTHONPATH="$prefix/$(dirname "$(dirname "$site")")" /usr/bin/python3 - "$part" "$prefix" <<'PY' ||
import sys, xpdb
assert xpdb.__file__.startswith(sys.argv[2]), xpdb.__file__
assert xpdb._xpdb.library_path().startswith(sys.argv[2] + "/lib/"), xpdb._xpdb.library_path()
assert xpdb.read(sys.argv[1]).sets
PY
  fail "the installed Python module cannot read $part"
echo "install-check: the installed Python module reads parts"

cmake -S "$root/tests/consumer" -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake" >/dev/null
"$work/cmake/xpdb_consumer" "$part"

export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
# shellcheck disable=SC2046
c++ -std=c++20 -o "$work/pc_consumer" "$root/tests/consumer/consumer.cpp" $(pkg-config --cflags --libs xpdb)
"$work/pc_consumer" "$part"
echo "install-check: the consumer builds with find_package(xpdb) and with pkg-config"
