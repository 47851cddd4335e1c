#!/usr/bin/env bash
# Builds the desktop program and starts it on the bundled default profiles.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
exec build/release/bin/zelto
