#!/usr/bin/env bash
# Installs what building Tarvex needs on Debian 12, skipping the step when all is there,
# then configures and builds into build/. Sourced by run.sh and test.sh.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

packages=(build-essential cmake ninja-build pkg-config libsdl2-dev libgtest-dev libgmock-dev
          libbenchmark-dev libcurl4-openssl-dev libpng-dev libcups2-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
fi

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
