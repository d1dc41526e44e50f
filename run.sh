#!/usr/bin/env bash
# Builds Tarvex and starts it.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
exec ./build/tarvex "$@"
