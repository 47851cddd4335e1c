#!/usr/bin/env bash
# Runs one libFuzzer campaign: scripts/fuzz.sh TARGET SECONDS [libFuzzer options...]
# TARGET is a harness of tests/fuzz (profile, netlink, ...; "list" names them). New inputs that
# widen coverage go to build/fuzz/corpus/TARGET (merge the useful ones into
# tests/fuzz/corpus/TARGET by hand); a crasher is written to build/fuzz/crashes/TARGET/ and the
# script exits non-zero.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
harnesses="$root/tests/fuzz"
if [ "${1:-}" = list ] || [ $# -lt 2 ]; then
    [ "${1:-}" = list ] || echo "usage: $0 TARGET SECONDS [libFuzzer options...]" >&2
    for f in "$harnesses"/*_fuzz.cpp; do basename "$f" _fuzz.cpp; done
    [ "${1:-}" = list ]
    exit
fi
target="$1"
seconds="$2"
shift 2
[ -f "$harnesses/${target}_fuzz.cpp" ] || { echo "no harness tests/fuzz/${target}_fuzz.cpp" >&2; exit 2; }

cd "$root"
[ -f build/fuzz/CMakeCache.txt ] || cmake --preset fuzz >/dev/null
nice cmake --build --preset fuzz -j2 --target "fuzz_$target"

work="$root/build/fuzz/corpus/$target"
crashes="$root/build/fuzz/crashes/$target"
mkdir -p "$work" "$crashes"
# Halt on the first report; leaks count (a parser that leaks on bad bytes leaks in the field).
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
exec nice -n 19 "build/fuzz/tests/fuzz/fuzz_$target" "$work" "$harnesses/corpus/$target" \
    -max_total_time="$seconds" -artifact_prefix="$crashes/" -print_final_stats=1 "$@"
