#!/usr/bin/env bash
# Builds Tarvex and starts it on the demo data the build writes into build/Home.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
cd build
exec ./tarvex "$@"
