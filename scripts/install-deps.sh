#!/usr/bin/env bash
# Installs the Debian packages that building and testing xpdb need, and only
# those that are missing. Safe to run again when everything is present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libglu1-mesa-dev libegl-dev libopengl-dev libgl-dev libegl-mesa0 libgl1-mesa-dri
  gettext locales time
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev libpng-dev libassimp-dev
  libfast-float-dev libtinyobjloader-dev
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

# The German catalogue is only shown under a German locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "install-deps: generating the de_DE.UTF-8 locale"
  run_root sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | run_root tee -a /etc/locale.gen >/dev/null
  run_root locale-gen >/dev/null
fi
