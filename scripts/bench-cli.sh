#!/usr/bin/env bash
# Wall time and peak memory of `zelto-cli run` on a loopback-only profile of seven tests (plus
# Loop Back, 11 probes), against a shell script that makes the same checks with ping and nc.
# Runs inside a fresh network namespace with only lo, so no probe can leave this machine.
# Usage: scripts/bench-cli.sh [build/<dir>/bin/zelto-cli] [runs]
set -euo pipefail
exe=$(readlink -f "${1:-build/release/bin/zelto-cli}")
runs=${2:-20}
if [ -z "${ZELTO_BENCH_INNER:-}" ]; then
    exec env ZELTO_BENCH_INNER=1 unshare -n "$0" "$exe" "$runs"
fi
ip link set lo up

work=$(mktemp -d)
listener=
cleanup() {
    [ -n "$listener" ] && kill "$listener" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# A loopback service that accepts and closes every connection, so the queue never fills.
python3 -c '
import socket, sys
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", 0)); s.listen(128)
print(s.getsockname()[1], flush=True)
while True:
    c, _ = s.accept(); c.close()
' >"$work/port" &
listener=$!
while [ ! -s "$work/port" ]; do sleep 0.05; done
port=$(cat "$work/port")

printf '%s\r\n' "[Configured By]" "Bench desk" \
    "[Ping]" "ping this PC" "127.0.0.1" \
    "[Ping two]" "ping two loopback addresses" "127.0.0.1" "127.0.0.2" \
    "[Port]" "reach the service" "127.0.0.1:$port" \
    "[Port twice]" "reach the service twice" "127.0.0.1:$port" "127.0.0.1:$port" \
    "[Mixed]" "ping and connect" "127.0.0.1" "127.0.0.1:$port" \
    "[Name]" "find localhost" "localhost" \
    "[Name port]" "connect to localhost" "localhost:$port" >"$work/OutofOffice.ini"

# The same checks by hand: every item pinged or connected to, a row passes when all its items do.
cat >"$work/checks.sh" <<EOF
#!/usr/bin/env bash
row() {
    local name=\$1 ok=0; shift
    for item in "\$@"; do
        case \$item in
            *:*) nc -z -w 20 "\${item%:*}" "\${item#*:}" || ok=1 ;;
            *) ping -n -q -c 1 -W 1 "\$item" >/dev/null || ok=1 ;;
        esac
    done
    [ \$ok = 0 ] && echo "\$name passed" || { echo "\$name failed"; failed=1; }
}
failed=0
row "1) Loop Back" 127.0.0.1
row "2) Ping" 127.0.0.1
row "3) Ping two" 127.0.0.1 127.0.0.2
row "4) Port" 127.0.0.1:$port
row "5) Port twice" 127.0.0.1:$port 127.0.0.1:$port
row "6) Mixed" 127.0.0.1 127.0.0.1:$port
row "7) Name" localhost
row "8) Name port" localhost:$port
exit \$((failed * 2))
EOF
chmod +x "$work/checks.sh"

cli=("$exe" --folder "$work" run --brief)
echo "== one run of each"
"${cli[@]}"
"$work/checks.sh" | tr '\n' ' '
echo

echo "== wall time ($runs runs each)"
if command -v hyperfine >/dev/null; then
    hyperfine -N --warmup 3 --runs "$runs" "${cli[*]}" "$work/checks.sh" 2>&1 |
        grep -Ev '^\s*$'
else
    for cmd in "${cli[*]}" "$work/checks.sh"; do
        start=$(date +%s%N)
        for _ in $(seq "$runs"); do $cmd >/dev/null; done
        end=$(date +%s%N)
        echo "$cmd: $(((end - start) / runs / 1000)) us per run"
    done
fi

echo "== peak memory (maximum resident set size of the largest process)"
for cmd in "${cli[*]}" "$work/checks.sh"; do
    rss=$(/usr/bin/time -v $cmd 2>&1 >/dev/null | awk -F': ' '/Maximum resident/ {print $2}')
    echo "$cmd: ${rss} KiB"
done
