#!/usr/bin/env bash
# Installs the Debian packages that building and testing xpdb need, and only
# those that are missing; then fetches, checks and patches the GLU source that
# the build compiles into the package. Safe to run again when everything is
# present.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libegl-dev libopengl-dev libgl-dev libegl-mesa0 libgl1-mesa-dri curl patch
  gettext locales time clang-format-14
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev libpng-dev zlib1g-dev libassimp-dev lib3mf-dev
  libfast-float-dev libtinyobjloader-dev assimp-utils
  python3-pybind11 pybind11-dev python3-numpy python3-pytest python3-setuptools python3-venv python3-pip
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

run_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; elif command -v sudo >/dev/null; then sudo "$@"; else
    echo "install-deps: need root to run: $*" >&2
    exit 1
  fi
}

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  run_root apt-get update -q
  run_root apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# GLU 1.3 from Debian's source package of Mesa GLU, with our fixes
# (cmake/glu/*.patch), unpacked outside the tree so that it survives clean
# builds; cmake/Glu.cmake compiles it. The Debian revision's changelog lists
# packaging changes only, so the upstream tarball that the .dsc names is the
# whole source.
glu_dsc=libglu_9.0.2-1.1.dsc
glu_dsc_sha256=b36c23281cbc1c4c6371b81d991b3074ce28b880d46fe8a5747677495f7c55b2
glu_pool=${XPDB_DEBIAN_MIRROR:-http://deb.debian.org/debian}/pool/main/libg/libglu
glu_dir=${XPDB_GLU_SOURCE:-${XDG_CACHE_HOME:-$HOME/.cache}/xpdb/glu-9.0.2}
glu_stamp=.xpdb-source
glu_wanted=$(
  echo "$glu_dsc $glu_dsc_sha256"
  cd "$root/cmake/glu" && LC_ALL=C sha256sum -- *.patch
)
if [ "$(cat "$glu_dir/$glu_stamp" 2>/dev/null)" != "$glu_wanted" ]; then
  echo "install-deps: fetching and patching the GLU source into $glu_dir"
  mkdir -p "$(dirname "$glu_dir")"
  glu_work=$(mktemp -d "$glu_dir.XXXXXX")
  trap 'rm -rf "$glu_work"' EXIT
  fetch() {
    curl -fsSL --retry 3 -o "$glu_work/$1" "$glu_pool/$1" ||
      { echo "install-deps: cannot fetch $glu_pool/$1" >&2; exit 1; }
  }
  verify() {
    echo "$2  $glu_work/$1" | sha256sum -c --quiet - ||
      { echo "install-deps: $1 does not have the expected sha256 $2" >&2; exit 1; }
  }
  fetch "$glu_dsc"
  verify "$glu_dsc" "$glu_dsc_sha256"
  # "Checksums-Sha256:" is followed by indented lines: sha256, size, name.
  glu_orig=$(awk '/^Checksums-Sha256:/ {on = 1; next} /^[^ ]/ {on = 0}
    on && $3 ~ /\.orig\.tar\.gz$/ {print $1, $3}' "$glu_work/$glu_dsc")
  [ -n "$glu_orig" ] || { echo "install-deps: no upstream tarball in $glu_dsc" >&2; exit 1; }
  fetch "${glu_orig#* }"
  verify "${glu_orig#* }" "${glu_orig%% *}"
  mkdir "$glu_work/src"
  tar -xzf "$glu_work/${glu_orig#* }" -C "$glu_work/src" --strip-components=1
  for p in "$root"/cmake/glu/*.patch; do
    patch -d "$glu_work/src" -p1 --batch --quiet <"$p" ||
      { echo "install-deps: $p does not apply" >&2; exit 1; }
  done
  echo "$glu_wanted" >"$glu_work/src/$glu_stamp"
  rm -rf "$glu_dir"
  mv "$glu_work/src" "$glu_dir"
  rm -rf "$glu_work"
  trap - EXIT
fi
