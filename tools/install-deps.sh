#!/usr/bin/env bash
# Installs, with apt-get, every Debian 12 package the build and the tests need that is
# not installed yet. Needs root (or sudo) only when something is missing.
# --fuzz adds what tools/fuzz.sh needs (clang with libFuzzer); the normal build does not.
# --package adds what tools/package.sh checks the package with (lintian, man).
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  xvfb xauth
  python3 python3-pyftpdlib
  libcurl4-openssl-dev
  umockdev libumockdev-dev
  nlohmann-json3-dev scdoc gzip
  dpkg-dev fakeroot file
)
if [ "${1:-}" = "--package" ]; then
  packages+=(lintian man-db)
fi
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
