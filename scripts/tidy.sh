#!/usr/bin/env bash
# clang-tidy over the program's own sources (src/ and app/; not the tests) with the checks in
# .clang-tidy, against a build folder's compile database (default build/debug). Any finding
# fails.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/debug}
jobs=${JOBS:-$(nproc)}
# The database holds GCC's command lines: clang would stop at the GCC-only warning options.
run-clang-tidy -p "$build" -j "$jobs" -quiet -extra-arg=-Wno-unknown-warning-option \
    "^$PWD/(src|app)/"
