#!/usr/bin/env bash
# Builds the probe benchmarks (Release) and runs them: single loopback ping and connect times,
# 1000 sequential pings beside iputils ping, and the CPU a waiting ping and connect cost. The
# benchmark makes its own network namespace, so it needs root; nothing reaches the real network.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/probes-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZELTO_BENCH=ON -DZELTO_WERROR=OFF >/dev/null
cmake --build "$build" --target probes_bench -j2 >/dev/null
exec "$build/bin/probes_bench" --benchmark_counters_tabular=true "$@"
