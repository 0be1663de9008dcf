#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need.
set -euo pipefail
pkgs=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libxlsxwriter-dev libzip-dev libpugixml-dev zlib1g-dev libdeflate-dev
  libcurl4-openssl-dev libsimdjson-dev libhowardhinnant-date-dev tzdata
  libcli11-dev libfmt-dev libsqlite3-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev
  python3 python3-openpyxl
  help2man python3-markdown man-db dpkg-dev lintian
  qt6-base-dev fonts-dejavu-core
  libreoffice-dev libreoffice-calc-nogui
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
