#!/usr/bin/env bash
# Builds Tarvex and runs every test on the headless backend.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
cd build
ctest --output-on-failure -j "$(nproc)" --timeout 600
