#!/usr/bin/env bash
# Flies one demo flight: the stand-in simulator flies the demo plan, corvessa
# watches it with spoiler control on and logs its network traffic, the
# relay client shows the route and the live records, and corvessa-web serves
# the same flight as a page for a browser. Everything they write is kept in
# one run folder; nothing keeps running afterwards.
#
#   tools/demo/run-demo.sh [BUILD_DIR] [RUN_DIR]
#
# Environment: DEMO_SPEEDUP (simulated seconds per real second, default 30:
# about two minutes; the records come about 1.4 a second at any speed-up),
# DEMO_RELAY_PORT (default 1577), DEMO_WEB_LISTEN (where the page is served,
# default 127.0.0.1:8077; 0.0.0.0:8077 lets a tablet on the network watch),
# DEMO_SIMULATOR_OPTIONS (more options for corvessa-sim, e.g. --no-weather
# to fly against a simulator that gives no weather observations).
set -euo pipefail

top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
run=${2:-$top/runs/demo-$(date +%Y%m%d-%H%M%S)}
speedup=${DEMO_SPEEDUP:-30}
relay_port=${DEMO_RELAY_PORT:-1577}
read -r -a sim_options <<<"${DEMO_SIMULATOR_OPTIONS:-}"
web_listen=${DEMO_WEB_LISTEN:-127.0.0.1:8077}
cruise=35000
# Limits the demo flight crosses both ways in cruise (IAS knots, Mach).
limits=(250 0.78 300 0.82)

sim_bin=$build/sim/standin/corvessa-sim
corvessa_bin=$build/app/corvessa
client_bin=$build/tools/client/corvessa-client
netlog_bin=$build/tools/netlog/corvessa-netlog
web_bin=$build/tools/web/corvessa-web

mkdir -p "$run"
run=$(cd "$run" && pwd)
pids=()

stop_all() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    [ -f "$run/client.pid" ] && kill -INT "$(cat "$run/client.pid")" 2>/dev/null || true
    wait 2>/dev/null || true
}
trap 'echo; echo "Demo interrupted; outputs are in $run"; stop_all; exit 130' INT TERM
trap stop_all EXIT

echo "Demo run folder: $run"

# The simulator picks a free port and says which on its first line.
"$sim_bin" --listen 127.0.0.1:0 --speedup "$speedup" --cruise "$cruise" --start-delay 3 \
    "${sim_options[@]}" >"$run/simulator.txt" 2>&1 </dev/null &
sim_pid=$!
pids+=("$sim_pid")
simulator=""
for _ in $(seq 100); do
    # (A Windows build of the simulator ends its lines with CR LF.)
    simulator=$(sed -n 's/^corvessa-sim: listening on //p' "$run/simulator.txt" | tr -d '\r' | head -n 1)
    [ -n "$simulator" ] && break
    sleep 0.1
done
if [ -z "$simulator" ]; then
    echo "The stand-in simulator did not start:" >&2
    cat "$run/simulator.txt" >&2
    exit 1
fi

(cd "$run" && CORVESSA_SIMULATOR=$simulator exec "$corvessa_bin" \
    -spoilerControl "${limits[@]}" -altitude "$cruise" -lognetwork -port "$relay_port" \
    >"$run/corvessa.txt" 2>&1 </dev/null) &
corvessa_pid=$!
pids+=("$corvessa_pid")

# When corvessa ends (the simulator quit after landing), the client is told
# to end too, the way a user's Ctrl-C ends it: it leaves and sums up.
(
    while kill -0 "$corvessa_pid" 2>/dev/null; do sleep 0.2; done
    sleep 0.5
    [ -f "$run/client.pid" ] && kill -INT "$(cat "$run/client.pid")" 2>/dev/null || true
) &
pids+=($!)

# The relay lists its route only once telemetry flows, so the page and the
# client register when the flight is under way, one after the other: each
# registration holds the relay's traffic back for a few seconds.
for _ in $(seq 300); do
    grep -q "^corvessa-sim: flight 1 starts" "$run/simulator.txt" && break
    sleep 0.1
done
sleep 1

# The page, from a loopback address of its own: the relay tells clients
# apart by address alone, and the terminal client sends from 127.0.0.1.
"$web_bin" --relay "127.0.0.1:$relay_port" --bind 127.0.0.2 --listen "$web_listen" \
    >"$run/web.txt" 2>&1 </dev/null &
web_pid=$!
pids+=("$web_pid")
page=""
for _ in $(seq 50); do
    page=$(sed -n 's/^corvessa-web: serving the page at \([^ ]*\).*/\1/p' "$run/web.txt" | head -n 1)
    [ -n "$page" ] || ! kill -0 "$web_pid" 2>/dev/null || { sleep 0.1; continue; }
    break
done
if [ -n "$page" ]; then
    echo "Watch the flight in a browser: $page"
    for _ in $(seq 100); do
        grep -q "^corvessa-web: registered" "$run/web.txt" && break
        sleep 0.1
    done
    sleep 1
else
    echo "The page is not served (the flight goes on without it):" >&2
    cat "$run/web.txt" >&2
fi

# The client in the foreground: the route, then one line per record.
bash -c 'echo $$ >"$1"; shift; exec "$@"' _ "$run/client.pid" \
    "$client_bin" --port "$relay_port" | tee "$run/client.txt" || true
rm -f "$run/client.pid"

# Left early (q in the client)? Ending the simulator makes it send its quit,
# so corvessa still ends the ordinary way, with its summary.
kill -TERM "$sim_pid" 2>/dev/null || true
wait "$corvessa_pid" || true
echo
echo "== corvessa's end of run =="
tail -n 3 "$run/corvessa.txt"
echo
echo
echo "== network log =="
"$netlog_bin" "$run/network.log" >"$run/network-log.txt" && netlog_status=0 || netlog_status=$?
tail -n 8 "$run/network-log.txt"
echo
echo "Outputs: $run (simulator.txt, corvessa.txt, client.txt, web.txt, network.log, network-log.txt)"
exit "$netlog_status"
