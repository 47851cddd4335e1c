#!/usr/bin/env bash
# Builds and runs every test: the normal build, then the address and undefined-behaviour
# sanitizer build, then the formatting check.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=$(nproc)
for preset in debug sanitizer; do
    echo "=== $preset build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    echo "=== $preset tests"
    ctest --preset "$preset" -j "$jobs"
done
echo "=== formatting"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
echo "formatting clean"
