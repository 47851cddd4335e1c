#!/usr/bin/env bash
# Builds and runs every test: the normal build, then the address and undefined-behaviour
# sanitizer build, the thread-sanitizer build of the tests that cross threads, clang-tidy and
# the formatting check.
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
echo "=== tsan build (the tests labelled threads)"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs" --target threads_tests
echo "=== tsan tests"
ctest --preset tsan -j "$jobs"
echo "=== clang-tidy"
scripts/tidy.sh build/debug
echo "=== formatting"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
echo "formatting clean"
