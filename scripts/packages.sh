#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
set -euo pipefail
PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libdxflib-dev libminizip-dev libexpat1-dev
  libxlsxwriter-dev libgtest-dev libgmock-dev libbenchmark-dev python3-ezdxf python3-openpyxl
  xvfb xauth fonts-liberation2)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "${missing[@]}"
fi
