#!/usr/bin/env bash
# Time from starting `zelto` to its main window being mapped, and its resident memory then.
# Runs inside a fresh network namespace (nothing can leave it) under a private X server.
# Usage: scripts/bench-startup.sh [build/<preset>/bin/zelto] [runs]
set -euo pipefail
exe=$(readlink -f "${1:-build/release/bin/zelto}")
runs=${2:-9}
if [ -z "${ZELTO_BENCH_INNER:-}" ]; then
    exec env ZELTO_BENCH_INNER=1 unshare -n xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$exe" "$runs"
fi
ip link set lo up
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/.config/Zelto"
printf '[Codes]\nSettings=O10000000020000000\n' >"$home/.config/Zelto/Zelto.conf"
times=()
for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    HOME=$home "$exe" 2>"$home/stderr.log" &
    pid=$!
    # xdotool's own --sync polls only twice a second: poll every 5 ms instead.
    until xdotool search --onlyvisible --name "Zelto 1.9" >/dev/null 2>&1; do
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "zelto ended before its window showed:" >&2
            cat "$home/stderr.log" >&2
            exit 1
        fi
        sleep 0.005
    done
    end=$(date +%s%N)
    times+=($(((end - start) / 1000000)))
    sleep 0.3
    rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    grep -v XDG_RUNTIME_DIR "$home/stderr.log" >&2 || true
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n)
median=$(printf '%s\n' "$sorted" | sed -n "$(((runs + 1) / 2))p")
echo "start to window shown (ms): $(echo $sorted | tr '\n' ' ')"
echo "median: ${median} ms; resident memory after start-up: ${rss} KiB"
